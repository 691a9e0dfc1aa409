#include "document/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

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

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

SaveTarget CheckSaveTarget(const std::string& path) {
  if (path.empty()) return SaveTarget::NoFolder;
  const std::string target = ResolveLink(path);
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return SaveTarget::Folder;
    if (!S_ISREG(st.st_mode)) return SaveTarget::NotRegular;
  } else if (!path.empty() && path.back() == '/') {
    return SaveTarget::Folder;
  }
  const std::string folder = FolderOf(target);
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
  }
  std::vector<char> name(target_.begin(), target_.end());
  const char suffix[] = ".tmp-XXXXXX";
  name.insert(name.end(), suffix, suffix + sizeof suffix);
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) {
    error_ = errno;
    return;
  }
  temp_ = name.data();
  ::fchmod(fd_, TargetMode(target_));
}

SafeFileWriter::~SafeFileWriter() { Discard(); }

void SafeFileWriter::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

bool SafeFileWriter::WriteAll(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = ::write(fd_, bytes, size);
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

bool SafeFileWriter::Commit() {
  if (fd_ < 0) return false;
  errno = 0;
  bool done = ::fdatasync(fd_) == 0;
  if (!done) error_ = errno;
  done = ::close(fd_) == 0 && done;
  if (!done && error_ == 0) error_ = errno;
  fd_ = -1;
  if (done && ::rename(temp_.c_str(), target_.c_str()) != 0) {
    error_ = errno;
    done = false;
  }
  if (!done) {
    Discard();
    return false;
  }
  temp_.clear();
  return true;
}

std::string WriteFailureReason(int error) {
  switch (error) {
    case ENOSPC:
      return "Der Datenträger ist voll";
    case EDQUOT:
      return "Der zugeteilte Speicherplatz ist aufgebraucht";
    case EFBIG:
      return "Die Datei wird größer, als erlaubt ist";
    case EROFS:
      return "Der Datenträger ist schreibgeschützt";
    case EACCES:
    case EPERM:
      return "Keine Berechtigung zum Schreiben";
    case EIO:
      return "Ein-/Ausgabefehler beim Schreiben";
    case ENOENT:
      return "Den Ordner gibt es nicht";
    case EISDIR:
      return "Unter diesem Namen steht ein Ordner";
    case EEXIST:
      return "Unter diesem Namen steht keine gewöhnliche Datei";
    default:
      return {};
  }
}

}  // namespace sonavix
