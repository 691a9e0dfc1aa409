#pragma once
// Work in progress beside its target: a file that becomes the target when it
// is complete, or a folder of intermediate files. Both live in the target's
// own folder under a short name, ".sonavix-XXXXXX", so they fit wherever the
// target's name fits and can be renamed into place.
//
// The running program holds a lock (flock) on each of them for as long as
// it uses it; the kernel lets go of the lock when the process ends, however
// it ends. So whatever of that name can be locked belongs to a run that is
// gone, and a later run that works in the same folder removes it first
// (RemoveAbandonedScratch). A sweeper removes an entry only while it holds
// the lock itself, and a new entry counts as taken only once its maker holds
// the lock and the name still stands, so a running copy's files are never
// touched.

#include <string>

namespace sonavix {

class ScratchFile {
 public:
  // Creates an empty file in `folder`, open for reading and writing, and
  // locks it. ok() is false when the folder takes no file; error() then
  // holds the system's error number.
  explicit ScratchFile(const std::string& folder);
  ~ScratchFile();  // removes the file, unless it was renamed into place
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  int error() const { return error_; }
  const std::string& path() const { return path_; }
  // Renames the file over `target`, keeping it open and locked until the
  // rename is done; false with error() set on failure.
  bool RenameTo(const std::string& target);

 private:
  std::string path_;
  int fd_ = -1;
  int error_ = 0;
};

class ScratchFolder {
 public:
  // Creates an empty folder in `folder` and locks it; ok() as above.
  explicit ScratchFolder(const std::string& folder);
  ~ScratchFolder();  // removes the folder with everything in it
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool ok() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

// Removes this user's scratch files and folders in `folder` that no running
// copy of the program holds. Returns how many were removed.
int RemoveAbandonedScratch(const std::string& folder);

// Whether a file name is one of the scratch names above.
bool IsScratchName(const std::string& name);

// The folder a path lies in: "." for a bare name, "/" for the root.
std::string FolderOfPath(const std::string& path);

}  // namespace sonavix
