// A verified CD read ("Sicher lesen") against a plain one, on the emulated
// drive with a simulated read time (2 ms a command and 0.5 ms a sector, spent
// asleep, as a drive spends it turning): the goal is a verified read at
// least half as fast as the plain one. Best of three rounds each; prints
// the figures and the ratio, exit status 0 whatever they are.
//
//   build-rel/bench/cd_read_bench

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "cdda/emulated_transports.h"
#include "cdda/track_reader.h"

namespace {

using namespace sonavix;
using namespace sonavix::cdda;

class QuietHost final : public TrackReadHost {
 public:
  explicit QuietHost(bool verify) : verify_(verify) {}
  void WriteLine(const std::string&) override {}
  void ShowPosition(const std::string&) override {}
  int TrackNumber() const override { return 1; }
  bool Karaoke() const override { return false; }
  bool Verify() const override { return verify_; }

 private:
  bool verify_;
};

double SecondsToRead(bool verify) {
  auto drive = std::make_shared<EmulatedCdDrive>();
  drive->disc.trackStarts = {0};
  drive->disc.leadOut = 1500;  // 20 s of sound
  drive->secondsPerRead = 0.002;
  drive->secondsPerSector = 0.0005;
  drive->sleep = [](double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); };
  EmulatedPassThrough passThrough;
  passThrough.devices.push_back({"sr0", drive});
  EmulatedScsiGeneric generic;
  CDDriveList drives;
  drives.CDDriveCount = 1;
  drives.CDDriveTable[0].Device = "sr0";
  TrackReader reader(passThrough, generic);
  AudioDocument doc;
  QuietHost host(verify);
  const auto start = std::chrono::steady_clock::now();
  reader.ReadTrack(drives, 0, doc, host);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  double plain = 1e9, verified = 1e9;
  for (int round = 0; round < 3; ++round) {
    plain = std::min(plain, SecondsToRead(false));
    verified = std::min(verified, SecondsToRead(true));
  }
  std::printf("cd_read_bench: a 20 s track on the emulated drive (2 ms a command, 0.5 ms a sector)\n");
  std::printf("  plain %.3f s, verified %.3f s: verified at %.3f of the plain speed (goal: at least 0.5)\n", plain,
              verified, plain / verified);
  return 0;
}
