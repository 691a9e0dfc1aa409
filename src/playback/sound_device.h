#pragma once
// The sound output the run plays through: one looping buffer in the stream
// format (44100 Hz, two channels, 16 bits) and two manual-reset events that
// the device signals as its play cursor passes the middle and the end of the
// buffer. The run refills each half right after the cursor has left it.
//
// Back ends, one file each: sdl_sound_device.cpp (SDL2 audio) and
// virtual_sound_device.cpp (a virtual clock for tests). CreateSoundDevice
// is the one place that picks between them.

#include <cstdint>
#include <memory>
#include <string>

namespace sonavix {

inline constexpr int kStreamRate = 44100;
inline constexpr int kStreamChannels = 2;
inline constexpr int kStreamFrameBytes = 4;
// The buffer holds 11025 bytes (a sixteenth of a second); the device plays
// the first 11024 of them, 2756 whole frames, round and round. The last byte
// is only ever cleared.
inline constexpr int kSoundBufferBytes = 11025;
inline constexpr int kSoundLapBytes = 11024;
inline constexpr int kMidOffset = 5512;
inline constexpr int kEndOffset = 11024;

class SoundDevice {
 public:
  enum class Event { Mid, End };

  virtual ~SoundDevice() = default;

  // Opens the output, creates the buffer and registers the two events, in
  // this order; false at the first step that fails.
  virtual bool Open() = 0;

  // The whole buffer (kSoundBufferBytes), for writing until Unlock. While it
  // is locked the device does not read from it.
  virtual std::uint8_t* Lock() = 0;
  virtual void Unlock() = 0;

  // Starts playing the buffer in a loop from where the play cursor stands.
  virtual void Play() = 0;
  // Stops playing; the play cursor stays where it is.
  virtual void Stop() = 0;

  // Blocks until the event is signalled. Returns at once if it already is,
  // or if the device is not playing (a stopped device would never signal).
  virtual void Wait(Event event) = 0;
  virtual void Reset(Event event) = 0;
};

// "sdl" for the computer's sound output, "virtual" for the virtual clock.
// An empty name takes SONAVIX_SOUND from the environment, else "sdl".
std::unique_ptr<SoundDevice> CreateSoundDevice(const std::string& name = {});

}  // namespace sonavix
