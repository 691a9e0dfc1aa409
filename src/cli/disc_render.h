#pragma once
// --render ... --disc-image PATH: every song rendered, then one image of
// them all. An image that would land on an input is a usage error; the
// songs are read first, so that an album too long for the disc, a missing
// tool, a song too short for a CD track or too little room is refused
// before anything is written; their MPEG files are temporary unless -o
// keeps them.

#include <atomic>

#include "cli/progress_board.h"
#include "cli/render_options.h"

namespace sonavix {

// Returns the exit status: 0 for an image, 1 when it could not be made,
// 2 for a usage error, 130 when stopped.
int RenderDiscImage(const RenderOptions& options, ProgressBoard& board, const std::atomic<bool>& stop);

// The image's name as the preset wants it (DiscImagePath): ".cue" for a CD,
// ".iso" for a DVD, added when the name has no extension; "album.bin" for
// a CD means "album.cue" beside it.
QString DiscImageName(const QString& path, DiscPreset preset);

}  // namespace sonavix
