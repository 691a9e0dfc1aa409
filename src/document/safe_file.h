#pragma once
// Writes a file beside its target and moves it into place only when it is
// complete, so that a failed save never damages the file it was to replace.

#include <string>

namespace sonavix {

class SafeFileWriter {
 public:
  explicit SafeFileWriter(const std::string& target);
  ~SafeFileWriter();  // removes the unfinished file unless Commit() succeeded
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // Flushes the new file to disk and renames it over the target.
  bool Commit();

 private:
  void Discard();

  std::string target_;
  std::string temp_;
  int fd_ = -1;
};

}  // namespace sonavix
