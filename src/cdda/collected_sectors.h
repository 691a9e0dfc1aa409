#pragma once
// The sectors of a track read so far, for the track reader: the audio that
// came, in order, with silence for every sector that could not be read, and
// a list of where that silence lies.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "document/audio_document.h"

namespace sonavix::cdda {

// Unreadable sectors in a row, filled with silence.
struct SilencedGap {
  std::uint32_t lba = 0;
  std::uint32_t sectors = 0;
};

// The first block appended makes room for the whole track, so a complete
// read is never copied; should more come, the block doubles. It never grows
// beyond what the document's 32-bit size can hold.
class CollectedSectors {
 public:
  // The read begins at sector `firstLba` and will bring about `bytes`.
  void Start(std::uint32_t firstLba, std::uint64_t bytes);
  bool empty() const { return size_ == 0; }
  bool Fits(std::size_t bytes) const;
  // Throw std::bad_alloc when the block cannot grow.
  void Append(const std::uint8_t* data, std::size_t bytes);
  void AppendSilence(std::uint32_t lba, std::uint32_t sectors);
  // Forgets the sectors from `lba` on, and their gaps.
  void DropFrom(std::uint32_t lba);
  const std::vector<SilencedGap>& Gaps() const { return gaps_; }
  // The checksums of what was collected (track_checksums.h), for the memo.
  std::string Checksums(bool firstTrack, bool lastTrack) const;
  SampleBlock Release();

 private:
  void Grow(std::int32_t needed);

  SampleBlock block_;  // block_.size is the capacity until released
  std::int32_t size_ = 0;
  std::int32_t expected_ = 0;
  std::uint32_t firstLba_ = 0;
  std::vector<SilencedGap> gaps_;
};

// "m:ss.ff": minutes, seconds and the sector within the second (0 ... 74).
std::string TrackTime(std::uint32_t sectors);

// One message line per gap, its place given in the time of the track that
// starts at `trackStart` (minutes, seconds and sectors: "1:23.45"); after
// ten lines, one line for the rest.
std::vector<std::string> GapLines(const std::vector<SilencedGap>& gaps, std::uint32_t trackStart);

}  // namespace sonavix::cdda
