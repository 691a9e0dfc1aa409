#include "export/presets.h"

#include <cstdio>

namespace sonavix {

namespace {

constexpr char kVcdCodecs[] = "MPEG-1-Video 1150 kbit/s, MP2-Ton 224 kbit/s";
constexpr char kSvcdCodecs[] = "MPEG-2-Video bis 2516 kbit/s, MP2-Ton 224 kbit/s";
constexpr char kDvdCodecs[] = "MPEG-2-Video bis 9000 kbit/s, AC-3-Ton 448 kbit/s";
constexpr char kMp4Codecs[] = "H.264 High (konstante Qualität), AAC-LC 48 kHz 192 kbit/s";
constexpr char kWebmCodecs[] = "VP9 mit Alpha (yuva420p, konstante Qualität), Opus 48 kHz 192 kbit/s";

constexpr ExportPreset kPresets[] = {
    {"vcd", DiscPreset::VideoCd, TvSystem::Pal, "Video-CD, PAL", ".mpg", kVcdCodecs},
    {"svcd", DiscPreset::SuperVideoCd, TvSystem::Pal, "Super Video CD, PAL", ".mpg", kSvcdCodecs},
    {"dvd", DiscPreset::Dvd, TvSystem::Pal, "DVD, PAL", ".mpg", kDvdCodecs},
    {"vcd-ntsc", DiscPreset::VideoCd, TvSystem::Ntsc, "Video-CD, NTSC", ".mpg", kVcdCodecs},
    {"svcd-ntsc", DiscPreset::SuperVideoCd, TvSystem::Ntsc, "Super Video CD, NTSC", ".mpg", kSvcdCodecs},
    {"dvd-ntsc", DiscPreset::Dvd, TvSystem::Ntsc, "DVD, NTSC", ".mpg", kDvdCodecs},
    {"mp4-720p", DiscPreset::Mp4Hd720, TvSystem::Pal, "MP4 720p", ".mp4", kMp4Codecs},
    {"mp4-1080p", DiscPreset::Mp4Hd1080, TvSystem::Pal, "MP4 1080p", ".mp4", kMp4Codecs},
    {"mp4-square", DiscPreset::Mp4Square, TvSystem::Pal, "MP4 quadratisch", ".mp4", kMp4Codecs},
    {"mp4-vertical", DiscPreset::Mp4Vertical, TvSystem::Pal, "MP4 hochkant", ".mp4", kMp4Codecs},
    {"mp4-1440p", DiscPreset::Mp4Hd1440, TvSystem::Pal, "MP4 1440p", ".mp4", kMp4Codecs},
    {"mp4-2160p", DiscPreset::Mp4Uhd2160, TvSystem::Pal, "MP4 2160p, 4K", ".mp4", kMp4Codecs},
    {"webm-alpha", DiscPreset::WebmAlpha, TvSystem::Pal, "WebM mit Alpha, 1080p", ".webm", kWebmCodecs},
};

}  // namespace

std::span<const ExportPreset> ExportPresets() { return kPresets; }

const ExportPreset* FindPreset(std::string_view name) {
  for (const ExportPreset& preset : kPresets)
    if (name == preset.name) return &preset;
  return nullptr;
}

std::string DescribePreset(const ExportPreset& preset, MediaWriter& writer) {
  writer.SetFormatPreset(preset.disc, preset.tv);
  const VideoRate rate = writer.FrameRate();
  char frames[32];
  if (rate.den == 1)
    std::snprintf(frames, sizeof frames, "%lld", static_cast<long long>(rate.num));
  else
    std::snprintf(frames, sizeof frames, "%.2f", rate.Value());
  std::string fps = frames;
  for (char& c : fps)
    if (c == '.') c = ',';
  char line[256];
  std::snprintf(line, sizeof line, "%-12s %4d×%-4d %6s Bilder/s  %s (%s)", preset.name,
                writer.FrameWidth(), writer.FrameHeight(), fps.c_str(), preset.codecs,
                preset.label);
  return line;
}

}  // namespace sonavix
