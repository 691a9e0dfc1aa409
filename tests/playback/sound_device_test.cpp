#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

#include "playback/sdl_sound_device.h"
#include "playback/sound_device.h"
#include "playback/virtual_sound_device.h"

namespace sonavix {
namespace {

using Clock = std::chrono::steady_clock;
using Event = SoundDevice::Event;

// A lap whose bytes all differ from their neighbours, and a marker in the
// byte that is never played.
constexpr std::uint8_t kNeverPlayed = 0xFF;
void FillPattern(std::uint8_t* buffer) {
  for (int i = 0; i < kSoundLapBytes; ++i) buffer[i] = static_cast<std::uint8_t>(i % 251);
  buffer[kSoundLapBytes] = kNeverPlayed;
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(SoundDeviceChoice, NameThenEnvironmentThenSdl) {
  const char* saved = std::getenv("SONAVIX_SOUND");
  const std::string savedValue = saved ? saved : "";
  auto isVirtual = [](const std::unique_ptr<SoundDevice>& d) {
    return dynamic_cast<VirtualSoundDevice*>(d.get()) != nullptr;
  };
  auto isSdl = [](const std::unique_ptr<SoundDevice>& d) {
    return dynamic_cast<SdlSoundDevice*>(d.get()) != nullptr;
  };

  setenv("SONAVIX_SOUND", "virtual", 1);
  EXPECT_TRUE(isVirtual(CreateSoundDevice()));
  EXPECT_TRUE(isSdl(CreateSoundDevice("sdl")));  // the name wins over the variable
  setenv("SONAVIX_SOUND", "sdl", 1);
  EXPECT_TRUE(isVirtual(CreateSoundDevice("virtual")));
  unsetenv("SONAVIX_SOUND");
  EXPECT_TRUE(isSdl(CreateSoundDevice()));
  EXPECT_TRUE(isSdl(CreateSoundDevice("no such card")));

  if (saved) setenv("SONAVIX_SOUND", savedValue.c_str(), 1);
}

// The run's tests trust the virtual card to behave like a real one.
TEST(VirtualSoundDevice, WaitsPlayUpToTheOffsetsAndEventsStaySetUntilReset) {
  VirtualSoundDevice device;
  ASSERT_TRUE(device.Open());
  FillPattern(device.Lock());
  device.Unlock();
  device.Play();

  device.Wait(Event::Mid);
  EXPECT_EQ(device.Played().size(), std::size_t{kMidOffset});
  device.Wait(Event::Mid);  // still set: nothing more is played
  EXPECT_EQ(device.Played().size(), std::size_t{kMidOffset});
  device.Wait(Event::End);
  EXPECT_EQ(device.PlayCursor(), 0);
  device.Reset(Event::End);
  device.Wait(Event::End);  // Mid was never reset, End goes a whole lap
  device.Reset(Event::Mid);
  device.Wait(Event::Mid);

  const std::vector<std::uint8_t>& played = device.Played();
  ASSERT_EQ(played.size(), std::size_t{2 * kSoundLapBytes + kMidOffset});
  for (std::size_t i = 0; i < played.size(); ++i) {
    ASSERT_EQ(played[i], static_cast<std::uint8_t>((i % kSoundLapBytes) % 251)) << i;
  }
}

TEST(VirtualSoundDevice, StopKeepsTheCursorAndUnopenedDevicesNeverBlock) {
  VirtualSoundDevice device;
  device.Play();  // not open: does not start
  device.Wait(Event::End);
  EXPECT_TRUE(device.Played().empty());

  ASSERT_TRUE(device.Open());
  device.Play();
  device.Wait(Event::Mid);
  device.Stop();
  device.Wait(Event::End);  // a stopped card would never signal
  EXPECT_EQ(device.PlayCursor(), kMidOffset);
  device.Play();
  device.Wait(Event::End);
  EXPECT_EQ(device.Played().size(), std::size_t{kSoundLapBytes});

  VirtualSoundDevice failing(3);
  EXPECT_FALSE(failing.Open());
  failing.Play();
  failing.Wait(Event::Mid);
  EXPECT_FALSE(failing.Playing());
  EXPECT_TRUE(failing.Played().empty());
}

// The SDL callback's copy, in the chunk sizes SDL uses and in single frames.
TEST(SdlLoopCopy, GoesRoundWithoutTheLastByteAndReportsEachOffsetOncePerLap) {
  std::vector<std::uint8_t> buffer(kSoundBufferBytes);
  FillPattern(buffer.data());
  for (const int chunk : {2048, 4, kMidOffset}) {
    int cursor = 0;
    int mids = 0;
    int ends = 0;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(chunk));
    std::size_t total = 0;
    while (total < std::size_t{5} * kSoundLapBytes) {
      const LoopCopy passed = CopyFromLoop(buffer.data(), cursor, out.data(), chunk);
      mids += passed.passedMid;
      ends += passed.passedEnd;
      if (passed.passedMid) {  // reported by the copy that reaches the offset
        EXPECT_GE(cursor, kMidOffset);
        EXPECT_LT(cursor - chunk, kMidOffset);
      }
      if (passed.passedEnd) EXPECT_LT(cursor, chunk);
      for (int i = 0; i < chunk; ++i, ++total) {
        ASSERT_EQ(out[i], buffer[total % kSoundLapBytes]) << "chunk " << chunk << " byte " << total;
      }
      EXPECT_EQ(cursor, int(total % kSoundLapBytes));
    }
    EXPECT_EQ(mids, 5) << "chunk " << chunk;
    EXPECT_EQ(ends, 5) << "chunk " << chunk;
  }
}

// The SDL device on the dummy driver, as in headless test runs.
class SdlSoundDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ASSERT_TRUE(device_.Open());
  }
  SdlSoundDevice device_;
};

TEST_F(SdlSoundDeviceTest, OpensWithAClearedBufferAndPlaysLapsInRealTime) {
  std::uint8_t* buffer = device_.Lock();
  ASSERT_NE(buffer, nullptr);
  for (int i = 0; i < kSoundBufferBytes; ++i) ASSERT_EQ(buffer[i], 0) << i;
  FillPattern(buffer);
  device_.Unlock();

  // A watchdog so a lost event fails the test instead of hanging it.
  std::promise<void> done;
  std::thread watchdog([&, finished = done.get_future()] {
    if (finished.wait_for(std::chrono::seconds(5)) != std::future_status::ready) device_.Stop();
  });

  constexpr int kLaps = 10;  // 0.625 s of sound
  const Clock::time_point start = Clock::now();
  device_.Play();
  for (int lap = 0; lap < kLaps; ++lap) {
    device_.Wait(Event::Mid);
    device_.Reset(Event::Mid);
    device_.Wait(Event::End);
    device_.Reset(Event::End);
  }
  const double seconds = SecondsSince(start);
  done.set_value();
  watchdog.join();
  device_.Stop();

  EXPECT_GE(seconds, 0.5);
  EXPECT_LE(seconds, 2.0);
}

TEST_F(SdlSoundDeviceTest, StopWakesAWaiterAndKeepsTheCursor) {
  std::atomic<bool> stopping = false;
  device_.Play();
  auto waiter = std::async(std::launch::async, [&] {
    while (!stopping) {
      device_.Wait(Event::End);
      device_.Reset(Event::End);
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  stopping = true;
  device_.Stop();
  const bool woke = waiter.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
  EXPECT_TRUE(woke) << "Stop left the waiter blocked";
  if (!woke) {  // let an End through so the waiter can finish
    device_.Play();
    waiter.wait();
  }

  device_.Stop();
  const int cursor = device_.PlayCursor();
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  EXPECT_EQ(device_.PlayCursor(), cursor);
}

TEST_F(SdlSoundDeviceTest, LockHoldsTheCallbackOff) {
  device_.Play();
  device_.Wait(Event::Mid);
  device_.Lock();
  const int cursor = device_.PlayCursor();
  std::this_thread::sleep_for(std::chrono::milliseconds(40));  // over three callbacks
  EXPECT_EQ(device_.PlayCursor(), cursor);
  device_.Unlock();
  device_.Reset(Event::End);
  device_.Wait(Event::End);  // and after Unlock it plays on
  device_.Stop();
}

// SDL would otherwise catch SIGTERM for its event queue, and a program with
// the sound open could no longer be ended.
TEST(SdlSoundDeviceDeathTest, SignalsStillEndTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  EXPECT_EXIT(
      {
        SdlSoundDevice device;
        if (device.Open()) device.Play();
        std::raise(SIGTERM);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
}

}  // namespace
}  // namespace sonavix
