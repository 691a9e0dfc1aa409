#pragma once
// Small documents for the effect tests, built from bytes or 16-bit samples.

#include <cstdint>
#include <cstring>
#include <vector>

#include "document/audio_document.h"
#include "document/little_endian.h"

namespace sonavix::testing {

inline AudioDocument Sound(bool stereo, bool sixteen, std::int32_t rate,
                           const std::vector<std::uint8_t>& bytes) {
  AudioDocument doc;
  auto block = SampleBlock::Allocate(static_cast<std::int32_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(block.bytes.get(), bytes.data(), bytes.size());
  ReplaceBlock(doc, std::move(block), {rate, stereo, sixteen});
  return doc;
}

inline AudioDocument Sound16(bool stereo, std::int32_t rate, const std::vector<std::int16_t>& samples) {
  std::vector<std::uint8_t> bytes(samples.size() * 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    StoreLe16(&bytes[2 * i], static_cast<std::uint16_t>(samples[i]));
  return Sound(stereo, true, rate, bytes);
}

inline std::vector<std::uint8_t> Bytes(const AudioDocument& doc) {
  return {doc.SampleData.get(), doc.SampleData.get() + doc.DataSize};
}

}  // namespace sonavix::testing
