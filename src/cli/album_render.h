#pragma once
// --render ... --album-video OUT.mp4: every input, one after another, into
// one web video with a chapter per song. The chapter list goes to standard
// output in the form video sites read ("0:00 Titel", one a line) and into
// OUT.chapters.txt beside the video, once the video is complete.

#include <QString>
#include <atomic>

#include "cli/progress_board.h"
#include "cli/render_options.h"

namespace sonavix {

// Returns the exit status: 0 for a video, 1 when a song or the video
// failed, 2 when a range lay outside a sound, 130 when stopped.
int RenderAlbumVideo(const RenderOptions& options, ProgressBoard& board, const std::atomic<bool>& stop);

// "album.mp4" gives "album.chapters.txt" beside it.
QString ChapterListPath(const QString& video);

}  // namespace sonavix
