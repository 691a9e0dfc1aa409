#include "disc/image_plan.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <utility>

#include "disc/disc_image.h"

namespace sonavix {

namespace {

constexpr std::int64_t kCdPayloadBytes = 2324;  // the MPEG data of a CD sector
constexpr std::int64_t kShortestCdTrackSectors = 75;

bool IsCd(DiscPreset preset) { return preset == DiscPreset::VideoCd || preset == DiscPreset::SuperVideoCd; }

std::int64_t Sectors(DiscPreset preset, double quality, double seconds) {
  return MpegBytesFromSeconds(preset, quality, {seconds}) / kCdPayloadBytes;
}

// The least playing time whose MPEG file the estimate puts at 75 sectors.
double ShortestCdTrackSeconds(DiscPreset preset, double quality) {
  double low = 0, high = 60;
  for (int i = 0; i < 40; ++i) {
    const double middle = (low + high) / 2;
    (Sectors(preset, quality, middle) >= kShortestCdTrackSectors ? high : low) = middle;
  }
  return high;
}

bool SameFileSystem(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev;
}

}  // namespace

DiscProblem CdTrackTooShort(DiscPreset preset, std::int64_t mpegBytes, std::size_t track) {
  if (!IsCd(preset) || mpegBytes / kCdPayloadBytes >= kShortestCdTrackSectors) return {};
  DiscProblem problem = DiscProblem::Of(DiscProblem::Kind::TrackTooShort, preset);
  problem.track = track;
  problem.sectors = mpegBytes / kCdPayloadBytes;
  return problem;
}

std::string VolumeLabel(const std::string& utf8Name) {
  static const std::pair<const char*, const char*> kSpelt[] = {
      {"ä", "AE"}, {"ö", "OE"}, {"ü", "UE"}, {"Ä", "AE"}, {"Ö", "OE"}, {"Ü", "UE"}, {"ß", "SS"}};
  std::string label;
  for (std::size_t i = 0; i < utf8Name.size() && label.size() < 32;) {
    const unsigned char c = static_cast<unsigned char>(utf8Name[i]);
    if (std::isalnum(c) && c < 0x80) {
      label += static_cast<char>(std::toupper(c));
      ++i;
      continue;
    }
    bool spelt = false;
    for (const auto& [letter, spelling] : kSpelt)
      if (utf8Name.compare(i, std::strlen(letter), letter) == 0) {
        label += spelling;
        i += std::strlen(letter);
        spelt = true;
        break;
      }
    if (spelt) continue;
    label += '_';
    // The rest of a character of several bytes goes with its first.
    for (++i; i < utf8Name.size() && (static_cast<unsigned char>(utf8Name[i]) & 0xC0) == 0x80;) ++i;
  }
  label.resize(std::min<std::size_t>(label.size(), 32));
  if (label.find_first_not_of('_') == std::string::npos) return "SONAVIX";
  return label;
}

std::int64_t FreeBytesIn(const std::string& folder) {
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return -1;
  return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize);
}

DiscProblem DiscImageProblem(const DiscImagePlan& plan, const DiscTools& tools) {
  if (DiscProblem tooSmall = DiscTooSmall(plan.preset, plan.quality, plan.seconds)) return tooSmall;
  const std::vector<std::string> needed = plan.preset == DiscPreset::Dvd
                                              ? std::vector<std::string>{"dvdauthor", "genisoimage"}
                                              : std::vector<std::string>{"vcdimager"};
  for (const std::string& program : needed)
    if (!tools.Installed(program)) return DiscProblem::Tool(DiscProblem::Kind::ToolMissing, program);
  for (std::size_t i = 0; i < plan.seconds.size() && IsCd(plan.preset); ++i) {
    if (Sectors(plan.preset, plan.quality, plan.seconds[i]) >= kShortestCdTrackSectors) continue;
    DiscProblem problem = DiscProblem::Of(DiscProblem::Kind::SongTooShort, plan.preset);
    if (i < plan.names.size()) problem.name = plan.names[i];
    problem.track = i + 1;
    problem.seconds = plan.seconds[i];
    problem.limit = std::ceil(ShortestCdTrackSeconds(plan.preset, plan.quality) * 10) / 10;
    return problem;
  }
  // The songs' MPEG files, the image, and for a DVD its file system once
  // more as a folder, all at once at the end.
  const std::int64_t songs = MpegBytesFromSeconds(plan.preset, plan.quality, plan.seconds);
  std::int64_t image = ImageBytesFromSeconds(plan.preset, plan.quality, plan.seconds);
  if (plan.preset == DiscPreset::Dvd) image += songs;
  const bool together = plan.songsFolder.empty() || SameFileSystem(plan.imageFolder, plan.songsFolder);
  const std::int64_t besideImage = image + (together ? songs : 0);
  const std::int64_t free = FreeBytesIn(plan.imageFolder);
  if (free >= 0 && free < besideImage)
    return DiscProblem::Sizes(DiscProblem::Kind::NotEnoughRoom, plan.preset, besideImage, free);
  if (!together) {
    const std::int64_t freeForSongs = FreeBytesIn(plan.songsFolder);
    if (freeForSongs >= 0 && freeForSongs < songs)
      return DiscProblem::Sizes(DiscProblem::Kind::NotEnoughRoom, plan.preset, songs, freeForSongs);
  }
  return {};
}

std::string DiscImagePath(const std::string& path, DiscPreset preset) {
  const std::filesystem::path name(path);
  std::string extension = name.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (preset == DiscPreset::Dvd) return extension.empty() ? path + ".iso" : path;
  if (extension.empty()) return path + ".cue";
  if (extension == ".bin") return path.substr(0, path.size() - 4) + ".cue";
  return path;
}

}  // namespace sonavix
