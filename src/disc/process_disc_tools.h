#pragma once
#include <memory>

#include "disc/disc_tools.h"

namespace sonavix {
std::unique_ptr<DiscTools> CreateProcessDiscTools();
}
