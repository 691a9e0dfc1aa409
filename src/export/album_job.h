#pragma once
// An album video: several songs rendered one after another into one web
// video, each with its own picture, text and lyrics, and a chapter for
// each named by its title (or its file's name without the extension).
// Every song is read once beforehand, so that a song that cannot be read
// stops the album before anything is written, and the chapters stand in
// the file from its start. A song's chapter begins exactly where the one
// before ends (its stretch in 44100 Hz frames, not in whole blocks).

#include <cstddef>
#include <string>
#include <vector>

#include "export/render_job.h"
#include "video/media_writer.h"

namespace sonavix {

struct AlbumResult {
  RenderResult result;         // of the album; a failed song's reason if one failed
  std::size_t failedSong = 0;  // which song failed, when result names an input
  std::vector<MediaChapter> chapters;
};

// The songs' requests differ only in their input; their output is ignored.
AlbumResult RenderAlbum(const std::vector<RenderRequest>& songs, const std::string& output, RenderObserver& observer,
                        const std::string& writerName = {});

// The chapter list as video sites read it: "0:00 Titel", one a line.
std::string ChapterListText(const std::vector<MediaChapter>& chapters);

}  // namespace sonavix
