#include "import/sample_conversion.h"

#include <vector>

#include "document/work_progress.h"

namespace sonavix {

namespace {

constexpr int kHighestKeptRate = 48'000;

std::string Depth(const SourceSound& source) {
  return std::to_string(source.bits) + (source.floating ? " Bit Gleitkomma" : " Bit");
}

}  // namespace

int EditorRate(int rate) {
  if (rate <= kHighestKeptRate) return rate;
  if (rate % 48'000 == 0) return 48'000;
  if (rate % 44'100 == 0) return 44'100;
  return 48'000;
}

TargetSound ChooseTarget(const SourceSound& source) {
  TargetSound target;
  target.rate = EditorRate(source.rate);
  target.channels = source.channels <= 1 ? 1 : 2;
  target.sixteenBit = source.floating || source.bits > 8;
  target.dither = source.floating || source.bits > 16;
  return target;
}

std::string ConversionText(const SourceSound& source, const TargetSound& target) {
  std::vector<std::string> parts;
  if (target.dither) parts.push_back(Depth(source) + " → 16 Bit");
  if (target.rate != source.rate) parts.push_back(GroupedNumber(source.rate) + " → " + GroupedNumber(target.rate) + " Hz");
  if (target.channels != source.channels)
    parts.push_back(std::to_string(source.channels) + " → " + std::to_string(target.channels) + " Kanäle");
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

}  // namespace sonavix
