#include "disc/scripted_disc_tools.h"

#include <filesystem>
#include <fstream>

namespace sonavix {

namespace {

namespace fs = std::filesystem;

std::string ArgumentAfter(const ToolRun& run, const std::string& flag) {
  for (std::size_t i = 0; i + 1 < run.arguments.size(); ++i)
    if (run.arguments[i] == flag) return run.arguments[i + 1];
  return {};
}

fs::path InFolder(const ToolRun& run, const std::string& name) {
  const fs::path path(name);
  return path.is_absolute() ? path : fs::path(run.folder) / path;
}

std::uintmax_t SizeOf(const fs::path& path) { return std::uintmax_t(BytesIn(path.string())); }

void WriteBytes(const fs::path& path, std::uintmax_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::string chunk(4096, '\0');
  for (; size >= chunk.size(); size -= chunk.size()) out.write(chunk.data(), std::streamsize(chunk.size()));
  out.write(chunk.data(), std::streamsize(size));
}

// The MPEG files named at the end of the arguments, after the options.
std::uintmax_t InputBytes(const ToolRun& run, std::size_t from) {
  std::uintmax_t total = 0;
  for (std::size_t i = from; i < run.arguments.size(); ++i)
    if (run.arguments[i].size() > 4 && run.arguments[i].ends_with(".mpg"))
      total += SizeOf(InFolder(run, run.arguments[i]));
  return total;
}

// Writes what the tool would; `share` of it when the disk runs full.
void Imitate(const ToolRun& run, double share) {
  if (run.program == "vcdimager") {
    const fs::path bin = InFolder(run, ArgumentAfter(run, "-b"));
    WriteBytes(bin, std::uintmax_t(double(InputBytes(run, 0) + 450 * 2352) * share));
    if (share < 1) return;
    std::ofstream(InFolder(run, ArgumentAfter(run, "-c")))
        << "FILE \"" << bin.filename().string() << "\" BINARY\n  TRACK 01 MODE2/2352\n";
  } else if (run.program == "dvdauthor") {
    const fs::path videoTs = InFolder(run, ArgumentAfter(run, "-o")) / "VIDEO_TS";
    fs::create_directories(videoTs);
    if (std::find(run.arguments.begin(), run.arguments.end(), "-T") != run.arguments.end()) {
      WriteBytes(videoTs / "VIDEO_TS.IFO", 6144);
      return;
    }
    WriteBytes(videoTs / "VTS_01_1.VOB", std::uintmax_t(double(InputBytes(run, 0)) * share));
    if (share == 1) WriteBytes(videoTs / "VTS_01_0.IFO", 12288);
  } else if (run.program == "genisoimage") {
    const fs::path iso = InFolder(run, ArgumentAfter(run, "-o"));
    WriteBytes(iso, std::uintmax_t(double(SizeOf(InFolder(run, run.arguments.back())) + 472 * 2048) * share));
  }
}

}  // namespace

ToolOutcome ScriptedDiscTools::Run(const ToolRun& run,
                                   const std::function<bool(const std::string&)>& watch) {
  runs.push_back(run);
  ToolOutcome outcome;
  if (missing.contains(run.program)) return outcome;
  outcome.started = true;
  if (watch && !watch(std::string())) {
    outcome.stopped = true;
    return outcome;
  }
  if (failing.contains(run.program)) {
    outcome.status = 1;
    outcome.output = "ERR:  something the tool did not like\n";
    return outcome;
  }
  if (diskFull.contains(run.program)) {
    Imitate(run, 0.5);
    outcome.status = 1;
    outcome.output = "write failed: No space left on device\n";
    return outcome;
  }
  Imitate(run, 1.0);
  outcome.status = 0;
  outcome.output = "finished ok\n";
  if (watch) watch(outcome.output);
  return outcome;
}

}  // namespace sonavix
