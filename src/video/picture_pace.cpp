#include "video/picture_pace.h"

#include <cmath>


namespace sonavix {

namespace {

std::uint32_t Share256(double share) { return static_cast<std::uint32_t>(std::lround(256.0 * share)); }

}  // namespace

PicturePace PicturePace::At(double picturesPerSecond) {
  PicturePace pace;
  const double blocksPerSecond = kBlockPicturesPerSecond;
  if (picturesPerSecond <= 0 || std::abs(picturesPerSecond - blocksPerSecond) < 1e-9) return pace;
  const double power = blocksPerSecond / picturesPerSecond;
  pace.atBlockPace = false;
  pace.smoothDecay = std::pow(0.9, power);
  pace.smoothGain = (1.0 - pace.smoothDecay) / (1.0 - 0.9);
  pace.red = Share256(std::pow(0.7, power));
  pace.green = Share256(std::pow(0.6, power));
  pace.blue = Share256(std::pow(0.8, power));
  pace.ground = pace.red;
  return pace;
}

}  // namespace sonavix
