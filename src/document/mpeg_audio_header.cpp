#include "document/mpeg_audio_header.h"

namespace sonavix {

namespace {

// kbit/s by bitrate index 1..14, for Layer I, II and III.
constexpr int kMpeg1Kbps[3][14] = {
    {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
};
// Lower sampling frequencies (MPEG-2 and 2.5): Layer II and III share a row.
constexpr int kLsfKbps[2][14] = {
    {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
};

}  // namespace

bool IsValidFrameHeader(const std::uint8_t h[4]) {
  return h[0] == 0xFF && h[1] >= 0xE0 && VersionField(h) != 1 && LayerField(h) != 0 &&
         SamplingIndex(h) < 3 && BitrateIndex(h) < 15;
}

int FrameBitrateKbps(int version, int layer, int bitrateIndex) {
  if (layer < 1 || layer > 3) return 8;
  if (bitrateIndex <= 0 || bitrateIndex >= 15) bitrateIndex = 1;
  // Layer field 1 is Layer III, 3 is Layer I: rows run Layer I, II, III.
  const int row = 3 - layer;
  if (version == 3) return kMpeg1Kbps[row][bitrateIndex - 1];
  return kLsfKbps[row == 0 ? 0 : 1][bitrateIndex - 1];
}

int FrameSampleRate(int version, int samplingIndex) {
  static constexpr int kMpeg1Rates[3] = {44100, 48000, 32000};
  if (samplingIndex < 0 || samplingIndex > 2) return 0;
  switch (version) {
    case 3: return kMpeg1Rates[samplingIndex];
    case 2: return kMpeg1Rates[samplingIndex] / 2;
    case 0: return kMpeg1Rates[samplingIndex] / 4;
    default: return 0;
  }
}

int FrameBytes(const std::uint8_t h[4]) {
  if (!IsValidFrameHeader(h) || BitrateIndex(h) == 0) return 0;
  const int version = VersionField(h), layer = LayerField(h);
  const int bitsPerSecond = FrameBitrateKbps(version, layer, BitrateIndex(h)) * 1000;
  const int rate = FrameSampleRate(version, SamplingIndex(h));
  if (layer == 3) return (12 * bitsPerSecond / rate + PaddingBit(h)) * 4;  // Layer I: four-byte slots
  // Layer III of MPEG-2 and 2.5 has half the samples a frame.
  const int perSecond = layer == 1 && version != 3 ? 72 : 144;
  return perSecond * bitsPerSecond / rate + PaddingBit(h);
}

}  // namespace sonavix
