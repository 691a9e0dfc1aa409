#pragma once
// Writes a file beside its target and moves it into place only when it is
// complete, so that a failed save never damages the file it was to replace.

#include <cstddef>
#include <memory>
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
  LinkLoop,           // links that lead round in a circle
};
SaveTarget CheckSaveTarget(const std::string& path);

class ScratchFile;

// The new file is a scratch file in the target's folder (see
// scratch_files.h): its name is short whatever the target's, and what a
// killed run left there is removed by the next one that writes into it.
class SafeFileWriter {
 public:
  // Nothing is created unless CheckSaveTarget(target) is Ok.
  explicit SafeFileWriter(const std::string& target);
  ~SafeFileWriter();  // removes the unfinished file unless Commit() succeeded
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  bool ok() const;
  int fd() const;
  // Where the new file is written until Commit.
  const std::string& TempPath() const;
  // Writes all of `size` bytes; false on the first failure.
  bool WriteAll(const void* data, std::size_t size);
  // Flushes the new file to disk and renames it over the target.
  bool Commit();
  // The system's error number of the last failure, 0 if none.
  int LastError() const { return error_; }

 private:
  std::string target_;
  std::unique_ptr<ScratchFile> file_;
  int error_ = 0;
};

// Whether both paths name one existing file: the same name, a link to it,
// or another hard link of it.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace sonavix
