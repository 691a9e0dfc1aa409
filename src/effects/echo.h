#pragma once
// A feedback echo of the given delay, in place on the effect region.

#include "document/audio_document.h"

namespace sonavix {

void AddEcho(AudioDocument& doc, double delaySeconds);

}  // namespace sonavix
