#pragma once
// Positioned byte access to a file or to memory. The RIFF layer works on these
// so that the WAV reader runs the same on a file and on a fuzzer's buffer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sonavix {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::int64_t Size() const = 0;
  // Reads up to n bytes at offset; returns how many arrived.
  virtual std::size_t ReadAt(std::int64_t offset, void* buf, std::size_t n) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all n bytes at offset; false if not all of them were written.
  virtual bool WriteAt(std::int64_t offset, const void* buf, std::size_t n) = 0;
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
  std::int64_t Size() const override { return static_cast<std::int64_t>(size_); }
  std::size_t ReadAt(std::int64_t offset, void* buf, std::size_t n) override;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

class MemorySink final : public ByteSink {
 public:
  bool WriteAt(std::int64_t offset, const void* buf, std::size_t n) override;
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// A file opened read-only. Check ok() before use.
class FileSource final : public ByteSource {
 public:
  explicit FileSource(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool ok() const { return fd_ >= 0; }
  std::int64_t Size() const override { return size_; }
  std::size_t ReadAt(std::int64_t offset, void* buf, std::size_t n) override;

 private:
  int fd_ = -1;
  std::int64_t size_ = 0;
};

// A file descriptor to write to; owned by the caller.
enum class Writeback { Later, AsWritten };
class FdSink final : public ByteSink {
 public:
  // With Writeback::AsWritten, each piece of a large write is handed to the
  // disk as soon as it is in the page cache, for a file that is flushed
  // when complete: the disk then works while the rest is written, and the
  // final flush finds little left to do.
  explicit FdSink(int fd, Writeback writeback = Writeback::Later) : fd_(fd), writeback_(writeback) {}
  bool WriteAt(std::int64_t offset, const void* buf, std::size_t n) override;

 private:
  int fd_;
  Writeback writeback_;
};

}  // namespace sonavix
