#pragma once
// Helpers for the document tests: WAV byte images assembled chunk by chunk,
// and scratch folders for the tests that go through real files.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "document/byte_io.h"
#include "document/wave_file.h"

namespace wavtest {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, static_cast<std::uint16_t>(v));
  Put16(b, static_cast<std::uint16_t>(v >> 16));
}
inline void PutId(Bytes& b, const char* id) { b.insert(b.end(), id, id + 4); }

// Header, body and, after an odd body, a zero pad byte. `declared` overrides
// the size field, for chunks that claim more (or less) than they hold.
inline Bytes Chunk(const char* id, const Bytes& body, std::optional<std::uint32_t> declared = {}) {
  Bytes b;
  PutId(b, id);
  Put32(b, declared.value_or(static_cast<std::uint32_t>(body.size())));
  b.insert(b.end(), body.begin(), body.end());
  if (body.size() & 1) b.push_back(0);
  return b;
}

// A RIFF chunk of form `form` holding `parts` back to back.
inline Bytes Riff(const char* form, std::initializer_list<Bytes> parts,
                  std::optional<std::uint32_t> declared = {}) {
  Bytes body;
  PutId(body, form);
  for (const Bytes& p : parts) body.insert(body.end(), p.begin(), p.end());
  return Chunk("RIFF", body, declared);
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The fields of a "fmt " chunk, set by name: Fmt().Channels(2).Bits(16).
struct Fmt {
  std::uint16_t tag = 1;
  std::uint16_t channels = 1;
  std::uint32_t rate = 8000;
  std::uint16_t bits = 8;
  std::optional<std::uint32_t> avgBytes;   // computed from the fields above when unset
  std::optional<std::uint16_t> blockAlign;
  Bytes extra;                             // bytes after the first 16

  Fmt& Tag(std::uint16_t v) { tag = v; return *this; }
  Fmt& Channels(std::uint16_t v) { channels = v; return *this; }
  Fmt& Rate(std::uint32_t v) { rate = v; return *this; }
  Fmt& Bits(std::uint16_t v) { bits = v; return *this; }
  Fmt& AvgBytes(std::uint32_t v) { avgBytes = v; return *this; }
  Fmt& BlockAlign(std::uint16_t v) { blockAlign = v; return *this; }
  Fmt& Extra(Bytes v) { extra = std::move(v); return *this; }
};

inline Bytes FmtChunk(const Fmt& f) {
  const std::uint16_t align =
      f.blockAlign.value_or(static_cast<std::uint16_t>(f.channels * ((f.bits + 7) / 8)));
  Bytes b;
  Put16(b, f.tag);
  Put16(b, f.channels);
  Put32(b, f.rate);
  Put32(b, f.avgBytes.value_or(f.rate * align));
  Put16(b, align);
  Put16(b, f.bits);
  b.insert(b.end(), f.extra.begin(), f.extra.end());
  return Chunk("fmt ", b);
}

// n bytes that differ from their neighbours, so a shifted or truncated copy shows.
inline Bytes Pattern(std::size_t n, unsigned seed = 1) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 8));
  return b;
}

inline Bytes SimpleWave(const Fmt& f, const Bytes& samples) {
  return Riff("WAVE", {FmtChunk(f), Chunk("data", samples)});
}

inline std::optional<sonavix::WaveData> Read(const Bytes& image) {
  sonavix::MemorySource source(image.data(), image.size());
  return sonavix::ReadWave(source);
}

inline Bytes BlockBytes(const sonavix::SampleBlock& b) { return Bytes(b.bytes.get(), b.bytes.get() + b.size); }

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sonavix-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_))
      names.push_back(e.path().filename().string());
    return names;
  }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const Bytes& b) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                              static_cast<std::streamsize>(b.size()));
}
inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  Bytes b(static_cast<std::size_t>(in.tellg()));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
  return b;
}

// Points TMPDIR (and so QDir::tempPath()) somewhere else for one test.
class ScopedTmpDir {
 public:
  explicit ScopedTmpDir(const std::string& dir) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    ::setenv("TMPDIR", dir.c_str(), 1);
  }
  ~ScopedTmpDir() {
    if (old_) ::setenv("TMPDIR", old_->c_str(), 1);
    else ::unsetenv("TMPDIR");
  }

 private:
  std::optional<std::string> old_;
};

}  // namespace wavtest
