#include "document/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "document/scratch_files.h"

namespace sonavix {

namespace {

// Writing through a symbolic link replaces the file it points to, not the
// link; a link whose file does not exist yet gets that file created.
std::string ResolveLink(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved)) return resolved;
  char link[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
  if (n <= 0) return path;
  const std::string target(link, static_cast<std::size_t>(n));
  if (target.front() == '/') return target;
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? target : path.substr(0, slash + 1) + target;
}

// The permissions the new file should end up with: those of the file it
// replaces, or what a newly created file would get.
mode_t TargetMode(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

SaveTarget CheckSaveTarget(const std::string& path) {
  if (path.empty()) return SaveTarget::NoFolder;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && errno == ELOOP) return SaveTarget::LinkLoop;
  const std::string target = ResolveLink(path);
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return SaveTarget::Folder;
    if (!S_ISREG(st.st_mode)) return SaveTarget::NotRegular;
  } else if (!path.empty() && path.back() == '/') {
    return SaveTarget::Folder;
  }
  const std::string folder = FolderOfPath(target);
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return SaveTarget::NoFolder;
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return SaveTarget::FolderNotWritable;
  return SaveTarget::Ok;
}

SafeFileWriter::SafeFileWriter(const std::string& target) : target_(ResolveLink(target)) {
  switch (CheckSaveTarget(target_)) {
    case SaveTarget::Ok:
      break;
    case SaveTarget::Folder:
      error_ = EISDIR;
      return;
    case SaveTarget::NoFolder:
      error_ = ENOENT;
      return;
    case SaveTarget::FolderNotWritable:
      error_ = EACCES;
      return;
    case SaveTarget::NotRegular:
      error_ = EEXIST;
      return;
    case SaveTarget::LinkLoop:
      error_ = ELOOP;
      return;
  }
  const std::string folder = FolderOfPath(target_);
  RemoveAbandonedScratch(folder);
  file_ = std::make_unique<ScratchFile>(folder);
  if (!file_->ok()) {
    error_ = file_->error();
    file_.reset();
    return;
  }
  ::fchmod(file_->fd(), TargetMode(target_));
}

SafeFileWriter::~SafeFileWriter() = default;

bool SafeFileWriter::ok() const { return file_ != nullptr; }

int SafeFileWriter::fd() const { return file_ ? file_->fd() : -1; }

const std::string& SafeFileWriter::TempPath() const {
  static const std::string none;
  return file_ ? file_->path() : none;
}

bool SafeFileWriter::WriteAll(const void* data, std::size_t size) {
  if (!file_) return false;
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = ::write(file_->fd(), bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      error_ = written < 0 ? errno : ENOSPC;
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// The file is renamed while it is still open and locked, so that no sweep
// of the folder can take it between its flush and its rename.
bool SafeFileWriter::Commit() {
  if (!file_) return false;
  errno = 0;
  const bool done = ::fdatasync(file_->fd()) == 0 && file_->RenameTo(target_);
  if (!done) error_ = errno != 0 ? errno : file_->error();
  file_.reset();
  return done;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

}  // namespace sonavix
