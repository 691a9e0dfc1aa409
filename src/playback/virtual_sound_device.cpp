#include "playback/virtual_sound_device.h"

namespace sonavix {

bool VirtualSoundDevice::Open() {
  open_ = failAtStep_ <= 0;
  return open_;
}

std::uint8_t* VirtualSoundDevice::Lock() {
  locked_ = true;
  return buffer_.data();
}

void VirtualSoundDevice::Unlock() { locked_ = false; }

void VirtualSoundDevice::Play() { playing_ = open_; }

void VirtualSoundDevice::Stop() { playing_ = false; }

// Plays from the cursor up to `offset` (kEndOffset means round to 0),
// signalling the events the cursor passes on the way.
void VirtualSoundDevice::PlayUntil(int offset) {
  const int target = offset % kSoundLapBytes;
  do {
    played_.push_back(buffer_[static_cast<std::size_t>(cursor_)]);
    cursor_ = (cursor_ + 1) % kSoundLapBytes;
    if (cursor_ == kMidOffset) mid_ = true;
    if (cursor_ == 0) end_ = true;
  } while (cursor_ != target);
}

void VirtualSoundDevice::Wait(Event event) {
  ++waits_;
  if (Flag(event) || !playing_) return;
  PlayUntil(event == Event::Mid ? kMidOffset : kEndOffset);
}

void VirtualSoundDevice::Reset(Event event) { Flag(event) = false; }

}  // namespace sonavix
