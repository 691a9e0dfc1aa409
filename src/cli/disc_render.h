#pragma once
// --render ... --disc-image PATH: every song rendered, then one image of
// them all. The songs are read first, so that an album too long for the
// disc is refused before anything is written; their MPEG files are
// temporary unless -o keeps them.

#include <atomic>

#include "cli/progress_board.h"
#include "cli/render_options.h"

namespace sonavix {

// Returns the exit status: 0 for an image, 1 when it could not be made,
// 2 for a usage error, 130 when stopped.
int RenderDiscImage(const RenderOptions& options, ProgressBoard& board, const std::atomic<bool>& stop);

// The image's name as the preset wants it: ".cue" for a CD, ".iso" for a
// DVD, added when the name has no extension.
QString DiscImageName(const QString& path, DiscPreset preset);

}  // namespace sonavix
