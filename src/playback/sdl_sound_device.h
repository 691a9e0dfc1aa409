#pragma once
// The computer's sound output through SDL2's audio subsystem. SDL pulls the
// sound from an audio callback on its own thread; the callback copies from
// the looping buffer at the play cursor and signals the events as the cursor
// passes the middle and the end of the lap.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "playback/sound_device.h"

namespace sonavix {

// What a copy out of the looping buffer passed on its way.
struct LoopCopy {
  bool passedMid = false;  // the cursor reached or passed kMidOffset
  bool passedEnd = false;  // the cursor went round to 0
};

// Copies `len` bytes of the lap (the first kSoundLapBytes bytes of `buffer`)
// to `out`, starting at `cursor` and going round to 0 at the end of the lap;
// advances `cursor`. The byte at kSoundLapBytes is never copied.
LoopCopy CopyFromLoop(const std::uint8_t* buffer, int& cursor, std::uint8_t* out, int len);

class SdlSoundDevice final : public SoundDevice {
 public:
  SdlSoundDevice() = default;
  ~SdlSoundDevice() override;
  SdlSoundDevice(const SdlSoundDevice&) = delete;
  SdlSoundDevice& operator=(const SdlSoundDevice&) = delete;

  bool Open() override;
  std::uint8_t* Lock() override;
  void Unlock() override;
  void Play() override;
  void Stop() override;
  void Wait(Event event) override;
  void Reset(Event event) override;

  // Byte offset of the next byte the callback hands to SDL.
  int PlayCursor();
  // True when the callback holds itself to real time (SDL's dummy driver).
  bool PacedByClock() const { return pacedByClock_; }

 private:
  static void Callback(void* self, std::uint8_t* stream, int len);
  void Fill(std::uint8_t* stream, int len);
  void HoldToRealTime(int len);
  bool& Flag(Event event) { return event == Event::Mid ? mid_ : end_; }

  bool subsystem_ = false;
  std::uint32_t device_ = 0;  // SDL_AudioDeviceID, 0 while closed
  std::vector<std::uint8_t> buffer_;

  // Touched by the callback; everyone else takes the SDL device lock first.
  int cursor_ = 0;
  bool pacedByClock_ = false;
  std::int64_t pacedStartNs_ = 0;  // steady clock at Play
  std::int64_t pacedBytes_ = 0;    // bytes handed out since Play

  // The events and the playing state. Never held while taking the SDL
  // device lock, so the callback (which holds that lock) can always set them.
  std::mutex eventMutex_;
  std::condition_variable eventChanged_;
  bool mid_ = false;
  bool end_ = false;
  bool playing_ = false;
};

}  // namespace sonavix
