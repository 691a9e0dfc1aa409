#pragma once
// The authoring tools a disc image is made with, run as child processes:
// vcdimager (Video-CD and Super Video CD as CUE and BIN), dvdauthor (the
// DVD-Video file system) and genisoimage (the ISO image with its UDF
// bridge). The image builder says what to run; the back end runs it.
//
// The back end is process_disc_tools.cpp (QProcess); tests bring stand-ins
// of their own.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sonavix {

struct ToolRun {
  std::string program;  // "vcdimager", "dvdauthor", "genisoimage"
  std::vector<std::string> arguments;
  std::string folder;                                        // where it runs
  std::vector<std::pair<std::string, std::string>> environment;  // added to the program's own
};

struct ToolOutcome {
  bool started = false;  // false: the program is not installed (or cannot run)
  bool stopped = false;  // ended because `watch` asked to stop
  int status = -1;       // exit status; -1 after a crash
  std::string output;    // standard output and error, as they came
};

class DiscTools {
 public:
  virtual ~DiscTools() = default;
  // Runs the tool to its end. `watch` hears everything it has said so far,
  // a few times a second, and returns false to stop it.
  virtual ToolOutcome Run(const ToolRun& run,
                          const std::function<bool(const std::string& output)>& watch) = 0;
  // Whether the program can be started at all; asked before any work.
  virtual bool Installed(const std::string& program) const = 0;
};

// The bytes of a file, or of every file below a folder; 0 if there is none.
std::int64_t BytesIn(const std::string& path);

// The real tools, run as child processes.
std::unique_ptr<DiscTools> CreateDiscTools();

}  // namespace sonavix
