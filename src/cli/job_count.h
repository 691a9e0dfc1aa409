#pragma once
// How many files a render works on at once when -j does not say: one per
// processor core, but no more than the free memory carries, since every
// job holds its encoder's pictures (about 350 MB for 1080p, 60 to 80 MB
// for the disc formats).

#include <cstdint>

#include "video/media_writer.h"

namespace sonavix {

// The memory one render job of the preset takes at its peak.
std::int64_t JobMemoryBytes(DiscPreset preset);

// What the machine can still hand out: the kernel's estimate of available
// memory, and the limit of the control group the program runs in where it
// is lower. -1 if neither can be read.
std::int64_t AvailableMemoryBytes();

// min(cores, what `available` carries), at least 1 and at most 64; with
// `available` unknown (below 0), the cores alone.
int DefaultJobs(int cores, std::int64_t available, DiscPreset preset);

}  // namespace sonavix
