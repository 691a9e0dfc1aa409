#pragma once
// The picture's text line with the song's tags in it: "{artist}",
// "{title}", "{album}", "{track}" and "{year}" are replaced by the tags'
// values. A placeholder without a value goes with what only set it off:
// brackets around it ("({year})") and separators that hold no letter or
// digit (" – ", ". ", ", "), so that "{artist} – {title}" of a song with a
// title alone reads "Titel", and "{album} ({year})" without a year reads
// "Album". Text that is no placeholder stays as written, "{" and all.

#include <string>

#include "document/sound_tags.h"

namespace sonavix {

// What an empty text line shows once a song with tags is open.
inline constexpr char kTagLineTemplate[] = "{artist} – {title}";

std::string ExpandTextTemplate(const std::string& text, const SoundTags& tags);

// Whether `text` holds a placeholder the expansion knows.
bool HasPlaceholder(const std::string& text);

}  // namespace sonavix
