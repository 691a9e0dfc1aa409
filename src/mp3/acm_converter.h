#pragma once
// One conversion stream of the audio compression layer, with its two format
// blocks and its two buffers. It does not convert by itself: the caller fills
// `SourceBuffer()`, sets the header's source length, calls StreamConvert on
// `StreamHandle()` and `StreamHeader()`, and reads the used lengths back.
// Every failing result code becomes an AcmError with an English text.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "mp3/acm.h"
#include "mp3/wave_format_block.h"

namespace sonavix {

class AcmError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws AcmError unless `result` is kNoError. The message is `prefix`
// followed directly by the code's text (" The specified handle is
// invalid.", ...), or "<prefix> raised an unknown error (code #<n>)" for a
// code without a text.
void CheckAcmResult(acm::Result result, const std::string& prefix);

class AcmConverter {
 public:
  // Defaults: both blocks PCM, 1 channel, 22050 Hz, 22050 bytes/s, block
  // alignment 1, 8 bits, cbSize 129, the rest 0; InputBufferSize 2048,
  // UseRealTime false, inactive.
  explicit AcmConverter(acm::AcmManager& manager);
  ~AcmConverter();  // closes an open stream
  AcmConverter(const AcmConverter&) = delete;
  AcmConverter& operator=(const AcmConverter&) = delete;

  std::int32_t InputBufferSize() const { return inputBufferSize_; }
  // Throws "You cannot change the buffer size while active." while active.
  void SetInputBufferSize(std::int32_t size);
  bool UseRealTime() const { return useRealTime_; }
  // Throws "You cannot change the real time flag while active." while active.
  void SetUseRealTime(bool on);

  bool Active() const { return active_; }
  // True opens the stream between the two formats, sizes and allocates the
  // buffers and prepares the header; false unprepares, closes and frees.
  // Setting the current state again does nothing. A failing open leaves the
  // component inactive with no stream or buffer left behind.
  void SetActive(bool on);

  // The layer the stream lives in; conversion calls go to it.
  acm::AcmManager& Manager() { return manager_; }
  acm::StreamHandle StreamHandle() const { return stream_; }
  acm::StreamHeader& StreamHeader() { return header_; }
  std::uint8_t* SourceBuffer() { return source_.get(); }
  std::uint8_t* DestBuffer() { return dest_.get(); }
  std::uint32_t DestBufferSize() const { return destBufferSize_; }

  // The formats; change them only while inactive.
  WaveFormatBlock& ACMFormatIn() { return formatIn_; }
  WaveFormatBlock& ACMFormatOut() { return formatOut_; }

  // Stored form of a format block: a 32-bit little-endian byte count and
  // that many bytes. Writing always gives the count 129 and the whole block.
  // Reading fills at most the block's 129 bytes (bytes beyond are skipped,
  // bytes the count does not reach stay as they were); false when the data
  // ends before the count says.
  static std::vector<std::uint8_t> WriteFormatBlock(const WaveFormatBlock& block);
  static bool ReadFormatBlock(const std::uint8_t* data, std::size_t size, WaveFormatBlock& block);

  // The values the main window stores for its converter: 2048-byte input,
  // an MPEG layer-3 source of 2 channels, 24000 Hz, 7000 bytes/s, and a
  // 16-bit stereo PCM destination at 44100 Hz. Loaded through the stored
  // form, as when the window is created.
  void UseMp3ToPcmFormats();

 private:
  void Open();
  void Close();

  acm::AcmManager& manager_;
  std::unique_ptr<std::uint8_t[]> source_;
  std::unique_ptr<std::uint8_t[]> dest_;
  std::uint32_t destBufferSize_ = 0;
  acm::StreamHandle stream_ = nullptr;
  acm::StreamHeader header_;
  std::int32_t inputBufferSize_ = 2048;
  bool useRealTime_ = false;
  bool active_ = false;
  WaveFormatBlock formatIn_;
  WaveFormatBlock formatOut_;
};

}  // namespace sonavix
