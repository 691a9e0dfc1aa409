#pragma once
// A perfect sound card on a virtual clock: time passes only while the run
// waits for an event, and every byte the card plays is recorded, so tests of
// many blocks run faster than real time and can compare what was heard.

#include <cstdint>
#include <vector>

#include "playback/sound_device.h"

namespace sonavix {

class VirtualSoundDevice final : public SoundDevice {
 public:
  // `failAtStep` > 0 makes Open() fail at that set-up step (1 to 6).
  explicit VirtualSoundDevice(int failAtStep = 0) : failAtStep_(failAtStep) {}

  bool Open() override;
  std::uint8_t* Lock() override;
  void Unlock() override;
  void Play() override;
  void Stop() override;
  void Wait(Event event) override;
  void Reset(Event event) override;

  // Every byte played so far, in order.
  const std::vector<std::uint8_t>& Played() const { return played_; }
  // Seconds of virtual time that have passed while playing.
  double Seconds() const { return double(played_.size()) / (kStreamRate * kStreamFrameBytes); }
  int PlayCursor() const { return cursor_; }
  bool Playing() const { return playing_; }
  bool Locked() const { return locked_; }
  int Waits() const { return waits_; }

 private:
  void PlayUntil(int offset);
  bool& Flag(Event event) { return event == Event::Mid ? mid_ : end_; }

  int failAtStep_;
  bool open_ = false;
  bool playing_ = false;
  bool locked_ = false;
  bool mid_ = false;
  bool end_ = false;
  int cursor_ = 0;
  int waits_ = 0;
  std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(kSoundBufferBytes);
  std::vector<std::uint8_t> played_;
};

}  // namespace sonavix
