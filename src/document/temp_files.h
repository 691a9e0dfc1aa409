#pragma once
// Temporary files of the program: the folder they go into, the files
// themselves, and the clean-up at start-up of those that a crashed or
// killed run left behind.
//
// Each temporary file "<prefix><N><extension>" has a lock file beside it,
// "<prefix><N><extension>.sonavix", which the running program keeps locked
// (flock) for as long as it uses the file. The kernel lets go of the lock
// when the process ends, however it ends; a lock file that can be locked
// again therefore belongs to no running copy, and its temporary file is a
// leftover. Files without such a lock file are never touched: whatever
// else has that name belongs to some other program.

#include <string>

namespace sonavix {

// TMPDIR when it names a folder that can take new files, else the system's
// usual temporary folder (/tmp). Never ends with a slash, unless it is "/".
std::string TempFolder();

class TempFile {
 public:
  // Creates "<TempFolder()>/<prefix><N><extension>" empty, with the
  // smallest N that is free, and locks it as in use. ok() is false when the
  // folder takes no file.
  TempFile(const std::string& prefix, const std::string& extension);
  ~TempFile();  // removes the file and its lock file
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool ok() const { return lockFd_ >= 0; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int lockFd_ = -1;
};

// Removes the temporary files named "<prefix><N><extension>" in
// TempFolder() that this user's copies of the program left and that no
// running copy uses. Returns how many were removed.
int RemoveStaleTempFiles(const std::string& prefix, const std::string& extension);

}  // namespace sonavix
