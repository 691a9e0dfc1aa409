#pragma once
// The German words for why a disc image cannot be made (UTF-8).

#include <string>

#include "disc/disc_problem.h"

namespace sonavix {

// "Zu lang für eine DVD: …", "vcdimager fehlt: bitte das Debian-Paket …", …
std::string DiscProblemText(const DiscProblem& problem);

// "vcdimager fehlt: bitte das Debian-Paket „vcdimager“ installieren (apt
// install vcdimager)".
std::string ToolMissingText(const std::string& program);

}  // namespace sonavix
