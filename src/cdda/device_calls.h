#pragma once
// The few system calls the Linux transports make on device nodes, behind
// one small interface: open, close, stat, ioctl and the names in /dev. The
// real kernel is `LinuxDeviceCalls` (linux_device_calls.cpp); tests put a
// fake kernel behind it (fake_kernel.h) that serves emulated drives through
// the same structures and errors.

#include <sys/stat.h>

#include <string>
#include <vector>

namespace sonavix::cdda {

class DeviceCalls {
 public:
  virtual ~DeviceCalls() = default;
  // As the system calls: a descriptor or 0 on success, -1 with errno set on
  // failure.
  virtual int Open(const std::string& path, int flags) = 0;
  virtual int Close(int fd) = 0;
  virtual int Stat(const std::string& path, struct stat& info) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
  // The entries of /dev, by name.
  virtual std::vector<std::string> DeviceNames() = 0;
};

DeviceCalls& LinuxDeviceCalls();

// A descriptor that closes itself through the calls that opened it.
class DeviceDescriptor {
 public:
  DeviceDescriptor(DeviceCalls& calls, int fd) : calls_(calls), fd_(fd) {}
  ~DeviceDescriptor() {
    if (fd_ >= 0) calls_.Close(fd_);
  }
  DeviceDescriptor(const DeviceDescriptor&) = delete;
  DeviceDescriptor& operator=(const DeviceDescriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  DeviceCalls& calls_;
  int fd_;
};

}  // namespace sonavix::cdda
