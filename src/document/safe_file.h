#pragma once
// Writes a file beside its target and moves it into place only when it is
// complete, so that a failed save never damages the file it was to replace.

#include <cstddef>
#include <string>

namespace sonavix {

// What stands in the way of writing a file at `path`, checked before any
// work starts. A link counts as the file it points to.
enum class SaveTarget {
  Ok,                 // a regular file to replace, or no file yet
  NotRegular,         // a FIFO, device node, socket: never replaced
  Folder,             // a folder of that name
  NoFolder,           // the folder it would go into does not exist
  FolderNotWritable,  // that folder cannot take a new file
};
SaveTarget CheckSaveTarget(const std::string& path);

class SafeFileWriter {
 public:
  // Nothing is created unless CheckSaveTarget(target) is Ok.
  explicit SafeFileWriter(const std::string& target);
  ~SafeFileWriter();  // removes the unfinished file unless Commit() succeeded
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // Where the new file is written until Commit.
  const std::string& TempPath() const { return temp_; }
  // Writes all of `size` bytes; false on the first failure.
  bool WriteAll(const void* data, std::size_t size);
  // Flushes the new file to disk and renames it over the target.
  bool Commit();
  // The system's error number of the last failure, 0 if none.
  int LastError() const { return error_; }

 private:
  void Discard();

  std::string target_;
  std::string temp_;
  int fd_ = -1;
  int error_ = 0;
};

// Why writing failed, in German, for the common causes: "Der Datenträger
// ist voll", ...; empty for an error number without a sentence of its own.
std::string WriteFailureReason(int error);

}  // namespace sonavix
