#pragma once
// The tags and cover of a sound file as FFmpeg's demultiplexers read them:
// ID3v2 (MP3 and others), Vorbis comments (FLAC, Ogg, Opus), MP4 atoms,
// RIFF INFO and AIFF chunks, and an embedded picture (APIC, PICTURE,
// covr).

#include <string>

#include "document/sound_tags.h"

struct AVFormatContext;

namespace sonavix {

SoundTags TagsOf(const AVFormatContext& input);

// Opens the file just for its tags; empty ones if it cannot be read.
SoundTags ReadSoundTags(const std::string& path);

}  // namespace sonavix
