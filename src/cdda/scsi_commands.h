#pragma once
// The SCSI commands the CD import sends and the replies it reads: command
// blocks are built and replies parsed by plain functions, so that they can
// be tested and fuzzed without a drive.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace sonavix::cdda {

// Audio sectors: 2352 bytes, 588 stereo frames of 16-bit samples, 75 a second.
inline constexpr std::size_t kSectorBytes = 2352;
inline constexpr std::size_t kFramesPerSector = 588;
inline constexpr std::uint32_t kSectorsPerSecond = 75;
inline constexpr std::uint32_t kSectorsPerRequest = 10;
inline constexpr std::size_t kRequestBytes = kSectorsPerRequest * kSectorBytes;  // 23520
inline constexpr std::size_t kInquiryBytes = 255;
inline constexpr std::size_t kTocBytes = 2048;

// A command descriptor block; unused bytes are 0.
struct Cdb {
  std::array<std::uint8_t, 16> bytes{};
  std::uint8_t length = 0;  // 6, 10 or 12
};

Cdb InquiryCdb();                 // 12h, allocation length 255
Cdb ReadTocCdb();                 // 43h, format 0, LBA addresses, allocation 2048
// BEh, any sector type, `sectors` blocks from `lba`, user data only.
Cdb ReadCdCdb(std::uint32_t lba, std::uint8_t sectors);
// Puts a new start address into a READ CD block (bytes 2..5, big-endian).
void SetReadCdLba(Cdb& cdb, std::uint32_t lba);

// The drive's name from an INQUIRY reply: the 16 bytes of the product
// identification (offsets 16..31), trailing blanks kept; empty when the
// reply is shorter.
std::optional<std::string> InquiryProductName(const std::uint8_t* data, std::size_t size);

// Track starts (LBA) by track number: entry k holds the start of the k-th
// track of the TOC, the entry after the last track the lead-out. Entry 0 is
// unused; there is room for 256 entries.
using TrackTable = std::array<std::uint32_t, 257>;
// The control field (the low four bits of a descriptor's byte 1) of each
// entry of a TrackTable, at the same index.
using TrackControls = std::array<std::uint8_t, 257>;
// The control bit of a data track; a mixed-mode disc has audio and data tracks.
inline constexpr std::uint8_t kDataTrackControl = 0x04;

// Parses a READ TOC reply (format 0, LBA addresses) into `table` and returns
// the number of tracks. Empty when the reply is shorter than its header or
// its last track number lies below its first; then `table` is unchanged.
// Never writes beyond the table and never reads beyond `size`: descriptors
// the reply does not hold, or beyond 256 entries, are not taken.
std::optional<std::uint32_t> ParseToc(const std::uint8_t* data, std::size_t size, TrackTable& table);
// The same, also keeping the control field of every entry taken in `controls`.
std::optional<std::uint32_t> ParseToc(const std::uint8_t* data, std::size_t size, TrackTable& table,
                                      TrackControls& controls);

// Sense data as the messages use it.
struct SenseFields {
  std::uint8_t byte2 = 0;  // sense key with the filemark, EOM and ILI bits
  std::uint8_t asc = 0;    // byte 12
  std::uint8_t ascq = 0;   // byte 13
};
// Bytes the sense area does not hold read as 0.
SenseFields ParseSense(const std::uint8_t* sense, std::size_t size);

// What the reader does differently for some sense data: a drive spinning up
// a disc just put in (not ready, becoming ready: 2/04/01), the first
// command after that (unit attention: sense key 6), an empty drive (not
// ready, medium not present: 2/3A/any), a sector the drive could not read
// (medium error: sense key 3) and a command the drive refuses as such
// (illegal request: sense key 5), which asking again will not change.
bool IsBecomingReady(const SenseFields& sense);
bool IsUnitAttention(const SenseFields& sense);
bool IsNoMedium(const SenseFields& sense);
bool IsMediumError(const SenseFields& sense);
bool IsIllegalRequest(const SenseFields& sense);

// Turns stereo frames into the difference of the two channels at two thirds,
// the same in both: what is recorded identically on both sides disappears.
// Values beyond 16 bits saturate.
void KaraokeTransform(std::uint8_t* frames, std::size_t frameCount);

// "Track no. <n> Time HH:MM:SS s" for a position: the track is the last one
// that starts at or before `lba` (track 1 when none does), the time counts
// from that track's start and is never negative.
std::string PositionText(std::uint32_t lba, const TrackTable& table, std::uint32_t trackCount);
// The same for `sectors` into track `track`.
std::string TrackTimeText(int track, std::uint32_t sectors);

}  // namespace sonavix::cdda
