#pragma once
// Keeping only the selection, or taking it out. Both build the new block
// first and replace the document's block through ReplaceBlock; without a
// selection they do nothing. Return true when the document changed; the old
// block then goes to `replaced` when one is given, and is released otherwise.

#include "document/audio_document.h"

namespace sonavix {

bool CropToSelection(AudioDocument& doc, SampleBlock* replaced = nullptr);
bool CutSelection(AudioDocument& doc, SampleBlock* replaced = nullptr);

}  // namespace sonavix
