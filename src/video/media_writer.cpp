#include "video/media_writer.h"

#include "video/ffmpeg_media_writer.h"
#include "video/threaded_media_writer.h"

namespace sonavix {

std::unique_ptr<MediaWriter> CreateMediaWriter(const std::string& name) {
  // Encoding on the caller's thread, for work that already keeps every core
  // busy with files of its own.
  if (name == "ffmpeg-direct") return CreateFfmpegMediaWriter();
  // Otherwise on a thread of its own, beside the drawing of the next picture.
  return std::make_unique<ThreadedMediaWriter>(CreateFfmpegMediaWriter());
}

}  // namespace sonavix
