#include "disc/disc_tools.h"

#include <cstdlib>

#include "disc/process_disc_tools.h"
#include "disc/scripted_disc_tools.h"

namespace sonavix {

std::unique_ptr<DiscTools> CreateDiscTools(const std::string& name) {
  std::string chosen = name;
  if (chosen.empty()) {
    const char* fromEnvironment = std::getenv("SONAVIX_DISC_TOOLS");
    if (fromEnvironment != nullptr) chosen = fromEnvironment;
  }
  if (chosen == "scripted") return std::make_unique<ScriptedDiscTools>();
  return CreateProcessDiscTools();
}

}  // namespace sonavix
