#include "cli/job_count.h"

#include <algorithm>
#include <fstream>
#include <string>

namespace sonavix {

namespace {

constexpr std::int64_t kMegabyte = 1024 * 1024;

// The number after `key` in /proc/meminfo, in bytes; -1 if it is missing.
std::int64_t MemInfoBytes(const std::string& key) {
  std::ifstream info("/proc/meminfo");
  std::string name;
  std::int64_t kilobytes = 0;
  std::string unit;
  while (info >> name >> kilobytes >> unit)
    if (name == key) return kilobytes * 1024;
  return -1;
}

// What the cgroup (version 2) the program runs in still allows; -1 when
// it sets no limit or there is none.
std::int64_t CgroupRoomBytes() {
  std::ifstream limitFile("/sys/fs/cgroup/memory.max"), usedFile("/sys/fs/cgroup/memory.current");
  std::string limit;
  std::int64_t used = 0;
  if (!(limitFile >> limit) || limit == "max" || !(usedFile >> used)) return -1;
  try {
    return std::max<std::int64_t>(std::stoll(limit) - used, 0);
  } catch (...) {
    return -1;
  }
}

}  // namespace

// A whole render of one file at its peak, measured with /usr/bin/time on a
// 60-second song (libraries included, so an upper bound for each further
// file at once).
std::int64_t JobMemoryBytes(DiscPreset preset) {
  switch (preset) {
    case DiscPreset::Mp4Uhd2160:
      return 1200 * kMegabyte;
    case DiscPreset::Mp4Hd1440:
      return 600 * kMegabyte;
    case DiscPreset::WebmAlpha:
    case DiscPreset::Mp4Square:
    case DiscPreset::Mp4Vertical:
    case DiscPreset::Mp4Hd1080:
      return 350 * kMegabyte;
    case DiscPreset::Mp4Hd720:
      return 200 * kMegabyte;
    case DiscPreset::Dvd:
      return 80 * kMegabyte;
    case DiscPreset::SuperVideoCd:
    case DiscPreset::VideoCd:
    default:
      return 60 * kMegabyte;
  }
}

std::int64_t AvailableMemoryBytes() {
  const std::int64_t system = MemInfoBytes("MemAvailable:");
  const std::int64_t group = CgroupRoomBytes();
  if (system < 0) return group;
  return group < 0 ? system : std::min(system, group);
}

int DefaultJobs(int cores, std::int64_t available, DiscPreset preset) {
  int jobs = std::max(cores, 1);
  if (available >= 0) jobs = static_cast<int>(std::min<std::int64_t>(jobs, available / JobMemoryBytes(preset)));
  return std::clamp(jobs, 1, 64);
}

}  // namespace sonavix
