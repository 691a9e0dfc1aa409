#pragma once
// CD-Text: the titles and performers a disc may carry in the lead-in, read
// with READ TOC format 5. The reply is a 4-byte head and packs of 18 bytes:
// type (80h title, 81h performer, ...), track number of the first character,
// sequence number, block and character position, 12 bytes of text, CRC.
// Texts end with a 0 byte and run on from pack to pack; a text of one tab
// means "the same as the track before". Only block 0 in a one-byte
// character set (ISO 8859-1 or ASCII) is taken.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "cdda/scsi_commands.h"

namespace sonavix::cdda {

struct CdText {
  // By track number; 0 is the whole disc (the album).
  std::map<int, std::string> titles;      // UTF-8
  std::map<int, std::string> performers;  // UTF-8
  bool empty() const { return titles.empty() && performers.empty(); }
  // "Titel – Interpret", the title alone, or empty, for track `track`.
  std::string Describe(int track) const;
};

// 43h, format 5 (CD-Text), allocation length `allocation`.
Cdb ReadCdTextCdb(std::uint16_t allocation);

// The texts of a READ TOC format 5 reply. Never reads beyond `size`; packs
// whose CRC is set and wrong, of other blocks or of two-byte character sets
// are left out.
CdText ParseCdText(const std::uint8_t* data, std::size_t size);

// The reply a drive gives for `text` (block 0, ISO 8859-1, with CRCs): for
// the emulated drive and for tests.
std::vector<std::uint8_t> CdTextReply(const CdText& text);

}  // namespace sonavix::cdda
