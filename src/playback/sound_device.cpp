#include "playback/sound_device.h"

#include <cstdlib>

#include "playback/sdl_sound_device.h"
#include "playback/virtual_sound_device.h"

namespace sonavix {

std::unique_ptr<SoundDevice> CreateSoundDevice(const std::string& name) {
  std::string chosen = name;
  if (chosen.empty()) {
    const char* fromEnvironment = std::getenv("SONAVIX_SOUND");
    if (fromEnvironment != nullptr) chosen = fromEnvironment;
  }
  if (chosen == "virtual") return std::make_unique<VirtualSoundDevice>();
  // "sdl", and any name we do not know: the computer's sound output is the
  // one that makes sense to a user who mistyped the variable.
  return std::make_unique<SdlSoundDevice>();
}

}  // namespace sonavix
