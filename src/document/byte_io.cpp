#include "document/byte_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "document/two_halves.h"

namespace sonavix {

namespace {
// Large reads and writes are split so that a single call never asks the
// kernel for more than it will do at once anyway.
constexpr std::size_t kMaxIo = std::size_t{1} << 30;
constexpr std::size_t kWritebackPiece = std::size_t{8} << 20;

// Reads up to n bytes at `offset`; fewer only at the end of the file or on
// an error.
std::size_t ReadRange(int fd, std::int64_t offset, std::uint8_t* out, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(fd, out + done, std::min(n - done, kMaxIo),
                                static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}
}  // namespace

std::size_t MemorySource::ReadAt(std::int64_t offset, void* buf, std::size_t n) {
  if (offset < 0 || static_cast<std::uint64_t>(offset) >= size_) return 0;
  const std::size_t avail = size_ - static_cast<std::size_t>(offset);
  const std::size_t count = std::min(n, avail);
  std::memcpy(buf, data_ + offset, count);
  return count;
}

bool MemorySink::WriteAt(std::int64_t offset, const void* buf, std::size_t n) {
  if (offset < 0) return false;
  const std::size_t end = static_cast<std::size_t>(offset) + n;
  if (bytes_.size() < end) bytes_.resize(end);
  if (n > 0) std::memcpy(bytes_.data() + offset, buf, n);
  return true;
}

FileSource::FileSource(const std::string& path) {
  // Only regular files are read. A FIFO or a device would block the open
  // (or the reads) until something else writes: it is opened without
  // waiting, seen for what it is and refused.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd_ < 0) return;
  const int flags = ::fcntl(fd_, F_GETFL);
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
      ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  size_ = st.st_size;
}

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t FileSource::ReadAt(std::int64_t offset, void* buf, std::size_t n) {
  auto* out = static_cast<std::uint8_t*>(buf);
  // A large read goes into fresh memory (a new sound): two halves at once.
  std::size_t first = 0, second = 0, half = n;
  InTwoHalves(n, [&](std::size_t begin, std::size_t end) {
    const std::size_t got = ReadRange(fd_, offset + static_cast<std::int64_t>(begin), out + begin, end - begin);
    if (begin == 0) {
      first = got;
      half = end;
    } else {
      second = got;
    }
  });
  return first < half ? first : half + second;
}

bool FdSink::WriteAt(std::int64_t offset, const void* buf, std::size_t n) {
  const auto* in = static_cast<const std::uint8_t*>(buf);
  const std::size_t piece = writeback_ == Writeback::AsWritten ? kWritebackPiece : kMaxIo;
  std::size_t done = 0;
  while (done < n) {
    const auto at = static_cast<off_t>(offset + static_cast<std::int64_t>(done));
    const ssize_t put = ::pwrite(fd_, in + done, std::min(n - done, piece), at);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    // Only starts the writing; whether it worked is for the final flush to
    // say, and a file system without it loses nothing but the overlap.
    if (writeback_ == Writeback::AsWritten) ::sync_file_range(fd_, at, put, SYNC_FILE_RANGE_WRITE);
    done += static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace sonavix
