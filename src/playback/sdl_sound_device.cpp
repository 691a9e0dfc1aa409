#include "playback/sdl_sound_device.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <thread>

namespace sonavix {

namespace {

// Frames SDL asks for per callback: about 11.6 ms, short against the 62.5 ms
// lap so the events come close to the moment the cursor passes them.
constexpr int kCallbackFrames = 512;

std::int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

LoopCopy CopyFromLoop(const std::uint8_t* buffer, int& cursor, std::uint8_t* out, int len) {
  LoopCopy passed;
  while (len > 0) {
    const int n = std::min(len, kSoundLapBytes - cursor);
    std::memcpy(out, buffer + cursor, static_cast<std::size_t>(n));
    if (cursor < kMidOffset && cursor + n >= kMidOffset) passed.passedMid = true;
    cursor += n;
    out += n;
    len -= n;
    if (cursor == kSoundLapBytes) {
      cursor = 0;
      passed.passedEnd = true;
    }
  }
  return passed;
}

SdlSoundDevice::~SdlSoundDevice() {
  // Closing waits for the audio thread, so no callback outlives the object.
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlSoundDevice::Open() {
  if (device_ != 0) return true;

  if (!subsystem_) {
    // SDL's audio brings up its event queue, which by default catches SIGINT
    // and SIGTERM and turns them into quit events nobody here reads: the
    // program would no longer end on Ctrl+C or kill. Leave signals alone.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    subsystem_ = true;
  }

  // The stream format exactly; SDL converts if the hardware wants another.
  SDL_AudioSpec want{};
  want.freq = kStreamRate;
  want.format = AUDIO_S16LSB;
  want.channels = kStreamChannels;
  want.samples = kCallbackFrames;
  want.callback = &SdlSoundDevice::Callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // Opened paused: the callback does not run before Play.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem_ = false;
    return false;
  }

  try {
    buffer_.assign(kSoundBufferBytes, 0);
  } catch (const std::bad_alloc&) {
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem_ = false;
    return false;
  }
  cursor_ = 0;

  // SDL's dummy driver (no sound card, as in headless tests) calls the
  // callback after sleeping a whole number of milliseconds per callback:
  // 11 ms for 11.6 ms of sound, so the cursor runs about 5% fast. There the
  // callback holds itself to a steady clock instead. Real drivers are paced
  // by the hardware and are left alone.
  const char* driver = SDL_GetCurrentAudioDriver();
  pacedByClock_ = driver != nullptr && std::strcmp(driver, "dummy") == 0;

  std::lock_guard lock(eventMutex_);
  mid_ = false;
  end_ = false;
  playing_ = false;
  return true;
}

std::uint8_t* SdlSoundDevice::Lock() {
  if (device_ == 0) return nullptr;
  SDL_LockAudioDevice(device_);
  return buffer_.data();
}

void SdlSoundDevice::Unlock() {
  if (device_ != 0) SDL_UnlockAudioDevice(device_);
}

void SdlSoundDevice::Play() {
  if (device_ == 0) return;
  SDL_LockAudioDevice(device_);
  pacedStartNs_ = SteadyNs();
  pacedBytes_ = 0;
  SDL_UnlockAudioDevice(device_);
  {
    std::lock_guard lock(eventMutex_);
    playing_ = true;
  }
  SDL_PauseAudioDevice(device_, 0);
}

void SdlSoundDevice::Stop() {
  // Pausing takes the device lock, so once it returns no callback runs and
  // the cursor stands still until the next Play.
  if (device_ != 0) SDL_PauseAudioDevice(device_, 1);
  {
    std::lock_guard lock(eventMutex_);
    playing_ = false;
  }
  eventChanged_.notify_all();
}

void SdlSoundDevice::Wait(Event event) {
  std::unique_lock lock(eventMutex_);
  eventChanged_.wait(lock, [&] { return Flag(event) || !playing_; });
}

void SdlSoundDevice::Reset(Event event) {
  std::lock_guard lock(eventMutex_);
  Flag(event) = false;
}

int SdlSoundDevice::PlayCursor() {
  if (device_ == 0) return cursor_;
  SDL_LockAudioDevice(device_);
  const int cursor = cursor_;
  SDL_UnlockAudioDevice(device_);
  return cursor;
}

void SdlSoundDevice::Callback(void* self, std::uint8_t* stream, int len) {
  static_cast<SdlSoundDevice*>(self)->Fill(stream, len);
}

// Runs on SDL's audio thread with the device lock held.
void SdlSoundDevice::Fill(std::uint8_t* stream, int len) {
  if (pacedByClock_) HoldToRealTime(len);
  const LoopCopy passed = CopyFromLoop(buffer_.data(), cursor_, stream, len);
  if (!passed.passedMid && !passed.passedEnd) return;
  {
    std::lock_guard lock(eventMutex_);
    if (passed.passedMid) mid_ = true;
    if (passed.passedEnd) end_ = true;
  }
  eventChanged_.notify_all();
}

// Hands out no byte before its time: the bytes since Play may not run ahead
// of the steady clock. A callback that comes late is not held, and SDL's
// shorter sleeps let the cursor catch up.
void SdlSoundDevice::HoldToRealTime(int len) {
  constexpr std::int64_t kBytesPerSecond = std::int64_t{kStreamRate} * kStreamFrameBytes;
  const std::int64_t dueNs = pacedStartNs_ + pacedBytes_ * 1'000'000'000 / kBytesPerSecond;
  const std::int64_t nowNs = SteadyNs();
  if (dueNs > nowNs) std::this_thread::sleep_for(std::chrono::nanoseconds(dueNs - nowNs));
  pacedBytes_ += len;
}

}  // namespace sonavix
