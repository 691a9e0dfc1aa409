#pragma once
// The media writer that makes real MPEG files with libavcodec and
// libavformat, in the settings the Video-CD, Super Video CD and DVD
// authoring tools take. Only CreateMediaWriter needs to know it.

#include <memory>

#include "video/media_writer.h"

namespace sonavix {

std::unique_ptr<MediaWriter> CreateFfmpegMediaWriter();

}  // namespace sonavix
