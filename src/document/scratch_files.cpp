#include "document/scratch_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace sonavix {

namespace {

constexpr char kPrefix[] = ".sonavix-";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
constexpr std::size_t kRandomLength = 6;  // what mkstemp and mkdtemp fill in
constexpr int kAttempts = 100;

std::string Template(const std::string& folder) {
  std::string name = folder;
  if (name.empty()) name = ".";
  if (name.back() != '/') name += '/';
  return name + kPrefix + std::string(kRandomLength, 'X');
}

// Holds the lock on what `fd` is open on, and the name still stands for
// it: only then is the entry ours. A sweeper that locked it first removes
// it before letting go, which the link count then shows. On a file system
// without locks the entry is ours all the same; no sweep removes anything
// there, as it cannot lock either.
bool LockedAndStanding(int fd) {
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && (errno == EWOULDBLOCK || errno == EINTR)) return false;
  struct stat st {};
  return ::fstat(fd, &st) == 0 && st.st_nlink > 0;
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);  // follows no links
}

// An entry a sweep may look at: this user's own file or folder, not a link.
bool OwnEntry(const struct stat& st) {
  return (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) && st.st_uid == ::geteuid();
}

}  // namespace

std::string FolderOfPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsScratchName(const std::string& name) {
  if (name.size() != kPrefixLength + kRandomLength || name.compare(0, kPrefixLength, kPrefix) != 0)
    return false;
  for (std::size_t i = kPrefixLength; i < name.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

ScratchFile::ScratchFile(const std::string& folder) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::string name = Template(folder);
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
      error_ = errno;
      return;
    }
    if (LockedAndStanding(fd)) {
      fd_ = fd;
      path_ = name;
      error_ = 0;
      return;
    }
    // A sweep took it between its making and the lock; it removes it.
    ::close(fd);
    error_ = EAGAIN;
  }
}

ScratchFile::~ScratchFile() {
  if (fd_ < 0) return;
  if (!path_.empty()) ::unlink(path_.c_str());
  ::close(fd_);
}

bool ScratchFile::RenameTo(const std::string& target) {
  if (fd_ < 0) return false;
  if (::rename(path_.c_str(), target.c_str()) != 0) {
    error_ = errno;
    return false;
  }
  path_.clear();
  return true;
}

ScratchFolder::ScratchFolder(const std::string& folder) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::string name = Template(folder);
    if (!::mkdtemp(name.data())) return;
    const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {  // swept away before it could be opened, or no descriptor left
      ::rmdir(name.c_str());
      continue;
    }
    if (LockedAndStanding(fd)) {
      fd_ = fd;
      path_ = name;
      return;
    }
    ::close(fd);
  }
}

ScratchFolder::~ScratchFolder() {
  if (fd_ < 0) return;
  RemoveTree(path_);
  ::close(fd_);
}

int RemoveAbandonedScratch(const std::string& folder) {
  const std::string base = folder.empty() ? "." : folder;
  DIR* dir = ::opendir(base.c_str());
  if (!dir) return 0;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir))
    if (IsScratchName(entry->d_name)) names.emplace_back(entry->d_name);
  ::closedir(dir);

  const std::string prefix = base.back() == '/' ? base : base + '/';
  int removed = 0;
  for (const std::string& name : names) {
    const std::string path = prefix + name;
    struct stat before {};
    if (::lstat(path.c_str(), &before) != 0 || !OwnEntry(before)) continue;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat opened {}, now {};
    // Held by nobody, and the name still the entry that was locked: its
    // run is gone. It goes before the lock is let go.
    if (::fstat(fd, &opened) == 0 && opened.st_ino == before.st_ino && opened.st_dev == before.st_dev &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(path.c_str(), &now) == 0 &&
        now.st_ino == opened.st_ino && now.st_dev == opened.st_dev) {
      if (S_ISDIR(now.st_mode))
        RemoveTree(path);
      else
        ::unlink(path.c_str());
      ++removed;
    }
    ::close(fd);
  }
  return removed;
}

}  // namespace sonavix
