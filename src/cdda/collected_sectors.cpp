// The collected sectors of a read and the lines that tell where silence
// stands in for unreadable ones.

#include "cdda/collected_sectors.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "cdda/track_checksums.h"

#include "cdda/scsi_commands.h"

namespace sonavix::cdda {

namespace {

constexpr std::size_t kListedGaps = 10;
constexpr std::int32_t kMaxSize = std::numeric_limits<std::int32_t>::max();

// "1 Sektor" or "12 Sektoren", and the length in seconds with two decimals:
// "(0,16 s)".
std::string GapLength(std::uint32_t sectors) {
  const auto hundredths = static_cast<unsigned long>((std::uint64_t{sectors} * 100 + kSectorsPerSecond / 2) /
                                                     kSectorsPerSecond);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%lu,%02lu s", hundredths / 100, hundredths % 100);
  return std::to_string(sectors) + (sectors == 1 ? " Sektor (" : " Sektoren (") + seconds + ")";
}

}  // namespace

void CollectedSectors::Start(std::uint32_t firstLba, std::uint64_t bytes) {
  firstLba_ = firstLba;
  expected_ = static_cast<std::int32_t>(std::min<std::uint64_t>(bytes, kMaxSize));
}

bool CollectedSectors::Fits(std::size_t bytes) const {
  return bytes <= static_cast<std::size_t>(kMaxSize - size_);
}

void CollectedSectors::Append(const std::uint8_t* data, std::size_t bytes) {
  const auto needed = static_cast<std::int32_t>(size_ + bytes);
  if (needed > block_.size) Grow(needed);
  std::memcpy(block_.bytes.get() + size_, data, bytes);
  size_ = needed;
}

void CollectedSectors::AppendSilence(std::uint32_t lba, std::uint32_t sectors) {
  const std::size_t bytes = std::size_t{sectors} * kSectorBytes;
  const auto needed = static_cast<std::int32_t>(size_ + bytes);
  if (needed > block_.size) Grow(needed);
  std::memset(block_.bytes.get() + size_, 0, bytes);
  size_ = needed;
  if (!gaps_.empty() && gaps_.back().lba + gaps_.back().sectors == lba) {
    gaps_.back().sectors += sectors;
  } else {
    gaps_.push_back({lba, sectors});
  }
}

void CollectedSectors::DropFrom(std::uint32_t lba) {
  if (lba < firstLba_) lba = firstLba_;
  const std::size_t kept = std::size_t{lba - firstLba_} * kSectorBytes;
  if (kept < static_cast<std::size_t>(size_)) size_ = static_cast<std::int32_t>(kept);
  while (!gaps_.empty() && gaps_.back().lba >= lba) gaps_.pop_back();
  if (!gaps_.empty() && gaps_.back().lba + gaps_.back().sectors > lba) {
    gaps_.back().sectors = lba - gaps_.back().lba;
  }
}

SampleBlock CollectedSectors::Release() {
  block_.size = size_;
  return std::move(block_);
}

void CollectedSectors::Grow(std::int32_t needed) {
  const std::int32_t wanted = block_.size == 0 ? expected_
                              : block_.size > kMaxSize / 2 ? needed
                                                           : 2 * block_.size;
  SampleBlock bigger = SampleBlock::Allocate(std::max(needed, wanted));
  if (size_ > 0) std::memcpy(bigger.bytes.get(), block_.bytes.get(), static_cast<std::size_t>(size_));
  block_ = std::move(bigger);
}

std::string TrackTime(std::uint32_t sectors) {
  const std::uint32_t seconds = sectors / kSectorsPerSecond;
  char text[32];
  std::snprintf(text, sizeof text, "%u:%02u.%02u", seconds / 60, seconds % 60, sectors % kSectorsPerSecond);
  return text;
}

std::string CollectedSectors::Checksums(bool firstTrack, bool lastTrack) const {
  return ChecksumLine(block_.bytes.get(), static_cast<std::size_t>(size_), firstTrack, lastTrack);
}

std::vector<std::string> GapLines(const std::vector<SilencedGap>& gaps, std::uint32_t trackStart) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < std::min(gaps.size(), kListedGaps); ++i) {
    const SilencedGap& gap = gaps[i];
    const std::uint32_t at = gap.lba > trackStart ? gap.lba - trackStart : 0;
    lines.push_back("Unlesbare Stelle bei " + TrackTime(at) + " mit Stille gefüllt: " +
                    GapLength(gap.sectors) + "...");
  }
  if (gaps.size() > kListedGaps) {
    std::uint32_t sectors = 0;
    for (std::size_t i = kListedGaps; i < gaps.size(); ++i) sectors += gaps[i].sectors;
    lines.push_back("Dazu " + std::to_string(gaps.size() - kListedGaps) +
                    " weitere unlesbare Stellen mit Stille gefüllt: " + GapLength(sectors) + "...");
  }
  return lines;
}

}  // namespace sonavix::cdda
