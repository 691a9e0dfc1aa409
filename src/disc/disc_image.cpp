#include "disc/disc_image.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "disc/image_plan.h"
#include "document/scratch_files.h"
#include "document/work_progress.h"

namespace sonavix {

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kCdSectorBytes = 2352;  // a raw sector, as the BIN file holds it
constexpr std::int64_t kCdPayloadBytes = 2324; // the MPEG data of a Video-CD sector
constexpr std::int64_t kCdSectors = 360'000;   // 80 minutes
// vcdimager's layout: the ISO track and the first pregap, then per track
// its pregap (150) and, for Video-CD, its front and rear margins (30, 45).
constexpr std::int64_t kCdLeadSectors = 450;
constexpr std::int64_t kDvdBytes = 4'700'000'000;
constexpr std::int64_t kDvdSectorBytes = 2048;
// What genisoimage and dvdauthor add around the title's VOB files: the
// ISO 9660 and UDF structures and the IFO files with their backups.
constexpr std::int64_t kDvdFileSystemSectors = 472;
constexpr double kBlockSeconds = 2756.0 / 44100;
// Pack and packet headers, and a DVD's navigation packs, on top of the
// streams' own rates.
constexpr double kMultiplexOverhead = 1.03;

std::int64_t CdTrackOverhead(DiscPreset preset) { return preset == DiscPreset::VideoCd ? 225 : 150; }

std::int64_t RoundUp(std::int64_t value, std::int64_t step) { return (value + step - 1) / step * step; }

// The MPEG file of a song of `seconds`, as the export writes it.
std::int64_t MpegBytes(DiscPreset preset, double quality, double seconds) {
  seconds = std::ceil(seconds / kBlockSeconds - 1e-9) * kBlockSeconds;
  const double scale = 0.5 + 0.5 * std::clamp(quality, 0.0, 1.0);
  switch (preset) {
    case DiscPreset::VideoCd:  // a constant 75 sectors a second, and the preload
      return (static_cast<std::int64_t>(std::ceil(seconds * 75)) + 3) * kCdPayloadBytes;
    case DiscPreset::SuperVideoCd:
      return RoundUp(std::llround((2'040'000 * scale + 224'000) * kMultiplexOverhead / 8 * seconds),
                     kCdPayloadBytes);
    case DiscPreset::Dvd:
    default:
      return RoundUp(std::llround((6'000'000 * scale + 448'000) * kMultiplexOverhead / 8 * seconds),
                     kDvdSectorBytes);
  }
}


std::int64_t SizeOf(const fs::path& path) { return BytesIn(path.string()); }

// The first line a tool marks as an error or a warning, else its last line.
std::string Complaint(const std::string& output) {
  std::istringstream lines(output);
  std::string last;
  for (std::string line; std::getline(lines, line, '\n');) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find("ERR") != std::string::npos || line.find("WARN") != std::string::npos) return line;
    if (!line.empty()) last = line;
  }
  return last;
}

bool Warned(const std::string& output) {
  return output.find("WARN") != std::string::npos || output.find("ERR:") != std::string::npos;
}

// Runs one step of the build. Progress is read off the size of what the
// step writes, from `done` to `done + share` of the whole.
struct Step {
  DiscTools& tools;
  DiscImageObserver& observer;
  DiscImageResult& result;

  bool Run(const ToolRun& run, const fs::path& growing, std::int64_t expected, double done, double share) {
    const ToolOutcome outcome = tools.Run(run, [&](const std::string&) {
      if (observer.StopRequested()) return false;
      const double part = expected > 0 ? std::min(1.0, double(SizeOf(growing)) / double(expected)) : 1.0;
      observer.Progress(done + share * part);
      return true;
    });
    if (!outcome.started) {
      result.problem = DiscProblem::Tool(DiscProblem::Kind::ToolMissing, run.program);
      return false;
    }
    if (outcome.stopped || observer.StopRequested()) {
      result.stopped = true;
      result.problem.kind = DiscProblem::Kind::Stopped;
      return false;
    }
    if (outcome.output.find("No space left") != std::string::npos) {
      result.problem.kind = DiscProblem::Kind::DiskFull;
      return false;
    }
    if (outcome.status != 0 || Warned(outcome.output)) {
      result.problem = DiscProblem::Tool(DiscProblem::Kind::ToolFailed, run.program, Complaint(outcome.output));
      return false;
    }
    return true;
  }
};

// The songs as the tools are given them: links in their folder named
// "001.mpg", ... The tools get nothing but such plain names, as a child's
// arguments cannot carry a name whose bytes are no UTF-8.
bool LinkTracks(const fs::path& work, const std::vector<std::string>& tracks, std::vector<std::string>& names) {
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%03zu.mpg", i + 1);
    std::error_code error;
    fs::create_symlink(fs::absolute(tracks[i], error), work / name, error);
    if (error) return false;
    names.emplace_back(name);
  }
  return true;
}

// vcdimager wrote the sheet for "disc.bin"; it names the BIN file beside it.
bool NameBinInCue(const fs::path& cue, const std::string& binName, DiscImageResult& result) {
  std::string sheet;
  {
    std::ifstream in(cue, std::ios::binary);
    sheet.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::string placeholder = "\"disc.bin\"";
  const std::size_t at = sheet.find(placeholder);
  if (at != std::string::npos) sheet.replace(at, placeholder.size(), "\"" + binName + "\"");
  std::ofstream out(cue, std::ios::binary | std::ios::trunc);
  out << sheet;
  out.close();
  if (at == std::string::npos || !out) result.problem.kind = DiscProblem::Kind::CannotWriteCue;
  return !result.problem;
}

bool PutInPlace(const fs::path& from, const fs::path& to, DiscImageResult& result) {
  std::error_code error;
  fs::rename(from, to, error);
  if (error) result.problem = DiscProblem::AtPath(DiscProblem::Kind::CannotPlace, to.string());
  return !error;
}

}  // namespace

std::int64_t DiscCapacityBytes(DiscPreset preset) {
  return preset == DiscPreset::Dvd ? kDvdBytes : kCdSectors * kCdSectorBytes;
}

const char* DiscName(DiscPreset preset) {
  switch (preset) {
    case DiscPreset::VideoCd:
      return "Video-CD";
    case DiscPreset::SuperVideoCd:
      return "Super Video CD";
    case DiscPreset::Dvd:
      return "DVD";
    default:
      return "MP4";
  }
}

std::int64_t ImageBytesFromTracks(DiscPreset preset, const std::vector<std::int64_t>& mpegBytes) {
  if (preset == DiscPreset::Dvd) {
    std::int64_t sectors = kDvdFileSystemSectors;
    for (const std::int64_t bytes : mpegBytes) sectors += (bytes + kDvdSectorBytes - 1) / kDvdSectorBytes;
    return sectors * kDvdSectorBytes;
  }
  std::int64_t sectors = kCdLeadSectors;
  for (const std::int64_t bytes : mpegBytes)
    sectors += (bytes + kCdPayloadBytes - 1) / kCdPayloadBytes + CdTrackOverhead(preset);
  return sectors * kCdSectorBytes;
}

std::int64_t MpegBytesFromSeconds(DiscPreset preset, double quality, const std::vector<double>& seconds) {
  std::int64_t total = 0;
  for (const double s : seconds) total += MpegBytes(preset, quality, s);
  return total;
}

std::int64_t ImageBytesFromSeconds(DiscPreset preset, double quality, const std::vector<double>& seconds) {
  std::vector<std::int64_t> tracks;
  for (const double s : seconds) tracks.push_back(MpegBytes(preset, quality, s));
  return ImageBytesFromTracks(preset, tracks);
}

DiscProblem DiscTooSmall(DiscPreset preset, double quality, const std::vector<double>& seconds) {
  const std::int64_t capacity = DiscCapacityBytes(preset);
  const std::int64_t bytes = ImageBytesFromSeconds(preset, quality, seconds);
  if (bytes <= capacity) return {};
  double total = 0;
  for (const double s : seconds) total += s;
  // The most playing time that fits in as many songs, found by halving.
  double low = 0, high = total;
  const double songs = std::max<double>(1, double(seconds.size()));
  for (int i = 0; i < 50; ++i) {
    const double middle = (low + high) / 2;
    const std::vector<double> even(seconds.size() ? seconds.size() : 1, middle / songs);
    (ImageBytesFromSeconds(preset, quality, even) <= capacity ? low : high) = middle;
  }
  DiscProblem tooLong = DiscProblem::Sizes(DiscProblem::Kind::TooLongForDisc, preset, bytes, capacity);
  tooLong.seconds = total;
  tooLong.limit = low;
  return tooLong;
}

std::string BinFileFor(const std::string& cue) {
  const fs::path path(cue);
  return (path.parent_path() / path.stem()).string() + ".bin";
}

DiscImageResult BuildDiscImage(const DiscImageRequest& request, DiscTools& tools,
                               DiscImageObserver& observer) {
  DiscImageResult result;
  const fs::path target = fs::absolute(request.target);
  const fs::path folder = target.parent_path();
  std::vector<std::int64_t> sizes;
  for (const std::string& track : request.tracks) sizes.push_back(SizeOf(track));
  if (sizes.empty()) {
    result.problem.kind = DiscProblem::Kind::NoTracks;
    return result;
  }
  if (request.preset != DiscPreset::Dvd && fs::path(BinFileFor(target.string())) == target) {
    result.problem = DiscProblem::AtPath(DiscProblem::Kind::SameNameAsBin, target.string());
    return result;
  }
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    result.problem = CdTrackTooShort(request.preset, sizes[i], i + 1);
    if (result.problem) return result;
  }
  const std::int64_t expected = ImageBytesFromTracks(request.preset, sizes);
  if (expected > DiscCapacityBytes(request.preset)) {
    result.problem = DiscProblem::Sizes(DiscProblem::Kind::ImageTooLarge, request.preset, expected,
                                        DiscCapacityBytes(request.preset));
    return result;
  }
  // The DVD file system is written once as a folder, once into the image.
  std::int64_t total = 0;
  for (const std::int64_t size : sizes) total += size;
  const std::int64_t needed = expected + (request.preset == DiscPreset::Dvd ? total : 0);
  const std::int64_t free = FreeBytesIn(folder.string());
  if (free >= 0 && free < needed) {
    result.problem = DiscProblem::Sizes(DiscProblem::Kind::NotEnoughRoom, request.preset, needed, free);
    return result;
  }
  // The tools work in a folder beside the image, so that the finished image
  // only needs renaming; it goes with everything in it.
  RemoveAbandonedScratch(folder.string());
  const ScratchFolder scratch(folder.string());
  const fs::path work(scratch.path());
  std::vector<std::string> tracks;
  if (!scratch.ok() || !LinkTracks(work, request.tracks, tracks)) {
    result.problem = DiscProblem::AtPath(DiscProblem::Kind::CannotUseFolder, folder.string());
    return result;
  }

  Step step{tools, observer, result};
  const std::string tvName = request.tv == TvSystem::Ntsc ? "NTSC" : "PAL";
  if (request.preset == DiscPreset::Dvd) {
    const fs::path dvd = work / "dvd";
    ToolRun title{"dvdauthor", {"-o", "dvd", "-t"}, work.string(), {{"VIDEO_FORMAT", tvName}}};
    title.arguments.insert(title.arguments.end(), tracks.begin(), tracks.end());
    const ToolRun contents{"dvdauthor", {"-o", "dvd", "-T"}, work.string(), {{"VIDEO_FORMAT", tvName}}};
    const fs::path iso = work / "image.iso";
    const ToolRun image{
        "genisoimage", {"-quiet", "-dvd-video", "-V", request.label, "-o", "image.iso", "dvd"}, work.string(), {}};
    if (!step.Run(title, dvd, total, 0.0, 0.5) || !step.Run(contents, dvd, 0, 0.5, 0.0) ||
        !step.Run(image, iso, expected, 0.5, 0.5) || !PutInPlace(iso, target, result))
      return result;
  } else {
    const fs::path cue = work / "disc.cue", bin = work / "disc.bin", finalBin = BinFileFor(target.string());
    ToolRun cd{"vcdimager",
               {"-t", request.preset == DiscPreset::VideoCd ? "vcd2" : "svcd", "-c", "disc.cue", "-b", "disc.bin"},
               work.string(),
               {}};
    cd.arguments.insert(cd.arguments.end(), tracks.begin(), tracks.end());
    // The BIN file first: a CUE sheet in place always finds its BIN.
    if (!step.Run(cd, bin, expected, 0.0, 1.0) || !NameBinInCue(cue, finalBin.filename().string(), result) ||
        !PutInPlace(bin, finalBin, result) || !PutInPlace(cue, target, result))
      return result;
  }
  observer.Progress(1.0);
  result.ok = true;
  result.bytes = SizeOf(request.preset == DiscPreset::Dvd ? target : fs::path(BinFileFor(target.string())));
  return result;
}

}  // namespace sonavix
