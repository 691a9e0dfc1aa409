#pragma once
// Keeping only the selection, or taking it out. Both build the new block
// first and replace the document's block through ReplaceBlock; without a
// selection they do nothing. Return true when the document changed.

#include "document/audio_document.h"

namespace sonavix {

bool CropToSelection(AudioDocument& doc);
bool CutSelection(AudioDocument& doc);

}  // namespace sonavix
