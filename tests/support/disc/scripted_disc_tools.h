#pragma once
// Stands in for the authoring tools in tests: writes files where the real
// tool would write them (placeholders of about the right size), keeps what
// it was asked to run, and fails as told.

#include <set>
#include <string>
#include <vector>

#include "disc/disc_tools.h"

namespace sonavix {

class ScriptedDiscTools final : public DiscTools {
 public:
  ToolOutcome Run(const ToolRun& run,
                  const std::function<bool(const std::string& output)>& watch) override;
  bool Installed(const std::string& program) const override { return !missing.contains(program); }

  std::set<std::string> missing;   // programs that are not installed
  std::set<std::string> failing;   // programs that end with status 1 and an error line
  std::set<std::string> diskFull;  // programs that write half their output, then run out of space
  std::vector<ToolRun> runs;       // everything asked, in order
};

}  // namespace sonavix
