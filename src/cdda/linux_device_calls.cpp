// The real kernel behind DeviceCalls.

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "cdda/device_calls.h"

namespace sonavix::cdda {

namespace {

class LinuxCalls final : public DeviceCalls {
 public:
  int Open(const std::string& path, int flags) override { return ::open(path.c_str(), flags); }
  int Close(int fd) override { return ::close(fd); }
  int Stat(const std::string& path, struct stat& info) override { return ::stat(path.c_str(), &info); }
  int Ioctl(int fd, unsigned long request, void* argument) override { return ::ioctl(fd, request, argument); }
  std::vector<std::string> DeviceNames() override {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error))
      names.push_back(entry.path().filename().string());
    return names;
  }
};

}  // namespace

DeviceCalls& LinuxDeviceCalls() {
  static LinuxCalls calls;
  return calls;
}

}  // namespace sonavix::cdda
