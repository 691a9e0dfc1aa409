#pragma once
// The codec driver that decodes MPEG audio (Layer I, II and III; MPEG-1, 2
// and 2.5) with libmpg123 into 16-bit PCM.

#include <memory>

#include "mp3/acm.h"

namespace sonavix::acm {

// Offers every MPEG layer-3 format (each sample rate, mono and stereo, each
// bitrate of its version) and opens streams from an MPEG layer-3 source to
// 16-bit PCM of the same rate and channel count; any other pair is
// kNotPossible. The stream decodes gaplessly: the encoder delay and padding
// a LAME/Xing header declares are trimmed.
std::unique_ptr<AcmDriver> CreateMpg123AcmDriver();

}  // namespace sonavix::acm
