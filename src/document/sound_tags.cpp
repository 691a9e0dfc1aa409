#include "document/sound_tags.h"

namespace sonavix {

std::string TagLine(const SoundTags& tags) {
  if (tags.artist.empty()) return tags.title;
  if (tags.title.empty()) return tags.artist;
  return tags.artist + " – " + tags.title;
}

}  // namespace sonavix
