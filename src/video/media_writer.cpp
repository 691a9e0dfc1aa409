#include "video/media_writer.h"

#include <cstdlib>

#include "video/ffmpeg_media_writer.h"
#include "video/recording_media_writer.h"
#include "video/threaded_media_writer.h"

namespace sonavix {

std::unique_ptr<MediaWriter> CreateMediaWriter(const std::string& name) {
  std::string chosen = name;
  if (chosen.empty()) {
    const char* fromEnvironment = std::getenv("SONAVIX_MEDIA_WRITER");
    if (fromEnvironment != nullptr) chosen = fromEnvironment;
  }
  if (chosen == "recording") return std::make_unique<RecordingMediaWriter>();
  // Encoding on the caller's thread, for work that already keeps every core
  // busy with files of its own.
  if (chosen == "ffmpeg-direct") return CreateFfmpegMediaWriter();
  // "ffmpeg", and any name we do not know: a user who mistyped the variable
  // still wants a real file. It encodes on a thread of its own, beside the
  // drawing of the next picture.
  return std::make_unique<ThreadedMediaWriter>(CreateFfmpegMediaWriter());
}

}  // namespace sonavix
