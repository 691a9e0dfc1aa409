#include "document/temp_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace sonavix {

namespace {

constexpr char kLockSuffix[] = ".sonavix";

bool UsableFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         ::access(path.c_str(), W_OK | X_OK) == 0;
}

// A locked lock file under the final name, or -1. The lock is taken on a
// file of a private name first and only then linked into place, so that
// nobody ever sees the final name unlocked.
int ClaimLock(const std::string& lockPath, bool& taken) {
  taken = false;
  std::string scratch = lockPath + ".XXXXXX";
  std::vector<char> name(scratch.begin(), scratch.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  const bool linked = locked && ::link(name.data(), lockPath.c_str()) == 0;
  taken = !linked && errno == EEXIST;
  ::unlink(name.data());
  if (!linked) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Whether the name is "<prefix><digits><extension><kLockSuffix>".
bool IsLockName(const std::string& name, const std::string& prefix, const std::string& extension) {
  const std::string tail = extension + kLockSuffix;
  if (name.size() <= prefix.size() + tail.size()) return false;
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  if (name.compare(name.size() - tail.size(), tail.size(), tail) != 0) return false;
  for (std::size_t i = prefix.size(); i < name.size() - tail.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

// Our own regular file, not a link: something we may remove.
bool OwnRegularFile(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

}  // namespace

std::string TempFolder() {
  if (const char* fromEnvironment = std::getenv("TMPDIR")) {
    std::string folder = fromEnvironment;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!folder.empty() && UsableFolder(folder)) return folder;
  }
  return P_tmpdir[0] ? std::string(P_tmpdir) : std::string("/tmp");
}

TempFile::TempFile(const std::string& prefix, const std::string& extension) {
  std::string folder = TempFolder();
  if (folder.back() != '/') folder += '/';
  for (unsigned n = 0; n < 1'000'000; ++n) {
    const std::string name = folder + prefix + std::to_string(n) + extension;
    struct stat st {};
    if (::lstat(name.c_str(), &st) == 0) continue;
    bool taken = false;
    const int lock = ClaimLock(name + kLockSuffix, taken);
    if (lock < 0) {
      if (taken) continue;
      return;  // the folder takes no file
    }
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      path_ = name;
      lockFd_ = lock;
      return;
    }
    const bool exists = errno == EEXIST;
    ::unlink((name + kLockSuffix).c_str());
    ::close(lock);
    if (!exists) return;
  }
}

TempFile::~TempFile() {
  if (lockFd_ < 0) return;
  ::unlink(path_.c_str());
  ::unlink((path_ + kLockSuffix).c_str());
  ::close(lockFd_);
}

int RemoveStaleTempFiles(const std::string& prefix, const std::string& extension) {
  const std::string folder = TempFolder();
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  std::vector<std::string> locks;
  while (const dirent* entry = ::readdir(dir))
    if (IsLockName(entry->d_name, prefix, extension)) locks.emplace_back(entry->d_name);
  ::closedir(dir);

  const std::string base = folder == "/" ? folder : folder + "/";
  int removed = 0;
  for (const std::string& name : locks) {
    const std::string lockPath = base + name;
    if (!OwnRegularFile(lockPath)) continue;
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // Nobody holds it: its owner is gone. The file goes first, then the
      // lock, so that no one can claim the number while the file remains.
      const std::string file = lockPath.substr(0, lockPath.size() - (sizeof kLockSuffix - 1));
      if (OwnRegularFile(file) && ::unlink(file.c_str()) == 0) ++removed;
      ::unlink(lockPath.c_str());
    }
    ::close(fd);
  }
  return removed;
}

}  // namespace sonavix
