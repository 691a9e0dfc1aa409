#pragma once
// The audio compression layer: codec drivers that convert sound from one wave
// format to another, reached through handles. The MP3 import enumerates the
// drivers (disabled ones too), opens each to list the formats it offers, and
// opens a conversion stream that takes source blocks and fills destination
// blocks. Every call answers with a result code; the import turns those into
// exceptions with fixed texts, so the codes and their meaning are part of
// the interface.
//
// The drivers themselves sit behind `AcmDriver`, one file per back end: the
// real one decodes MPEG audio with libmpg123, a scripted one lets tests fix
// formats, results and output.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mp3/wave_format_block.h"

namespace sonavix::acm {

using Result = std::uint32_t;

// Result codes.
inline constexpr Result kNoError = 0;
inline constexpr Result kInvalidHandle = 5;   // a handle the layer did not hand out, or closed
inline constexpr Result kNoDriver = 6;        // no driver offers what was asked for
inline constexpr Result kNoMemory = 7;
inline constexpr Result kInvalidFlag = 10;
inline constexpr Result kInvalidParam = 11;
inline constexpr Result kNotPossible = 512;   // no driver can convert between the two formats
inline constexpr Result kBusy = 513;          // the stream still has prepared headers
inline constexpr Result kUnprepared = 514;    // the header was not prepared on this stream

// Flags.
inline constexpr std::uint32_t kDriverEnumDisabled = 0x80000000;  // report disabled drivers too
inline constexpr std::uint32_t kDriverSupportCodec = 0x00000001;
inline constexpr std::uint32_t kDriverSupportDisabled = 0x80000000;
inline constexpr std::uint32_t kFormatEnumWfxTag = 0x00010000;     // only formats of the record's tag
inline constexpr std::uint32_t kStreamOpenQuery = 0x00000001;      // only ask whether it could open
inline constexpr std::uint32_t kStreamOpenNonRealtime = 0x00000004;
inline constexpr std::uint32_t kStreamSizeSource = 0x00000000;     // given the source size, ask the destination size
inline constexpr std::uint32_t kStreamSizeDestination = 0x00000001;
inline constexpr std::uint32_t kConvertBlockAlign = 0x00000004;
inline constexpr std::uint32_t kConvertStart = 0x00000010;         // first block of a stream
inline constexpr std::uint32_t kConvertEnd = 0x00000020;           // last block: drain what is held back
inline constexpr std::uint32_t kHeaderDone = 0x00010000;
inline constexpr std::uint32_t kHeaderPrepared = 0x00020000;

// Describes one source and one destination buffer of a stream (84 bytes in
// its stored form). The caller owns both buffers; a header is prepared on a
// stream before conversion and unprepared before the stream is closed.
struct StreamHeader {
  std::uint32_t cbStruct = 84;
  std::uint32_t fdwStatus = 0;           // kHeaderPrepared, kHeaderDone
  std::uintptr_t dwUser = 0;
  std::uint8_t* pbSrc = nullptr;
  std::uint32_t cbSrcLength = 0;         // bytes to convert in the next call
  std::uint32_t cbSrcLengthUsed = 0;     // source bytes the last call consumed
  std::uintptr_t dwSrcUser = 0;
  std::uint8_t* pbDst = nullptr;
  std::uint32_t cbDstLength = 0;
  std::uint32_t cbDstLengthUsed = 0;     // destination bytes the last call produced
  std::uintptr_t dwDstUser = 0;
  // Kept by the layer from preparation on: the lengths the buffers were
  // prepared with, which a conversion may not exceed.
  std::uint32_t preparedSrcLength = 0;
  std::uint32_t preparedDstLength = 0;
};

// One format as a driver reports it: the block and how many of its bytes the
// format uses (30 for an MPEG layer-3 format, 16 or 18 for PCM).
struct ReportedFormat {
  WaveFormatBlock block;
  std::uint32_t size = 0;
};

// The record format enumeration fills (152 bytes in its stored form).
struct FormatDetails {
  std::uint32_t cbStruct = 152;
  std::uint32_t dwFormatIndex = 0;
  std::uint32_t dwFormatTag = 0;
  std::uint32_t fdwSupport = 0;
  std::uint8_t* pwfx = nullptr;          // the caller's buffer for the format bytes
  std::uint32_t cbwfx = 0;               // in: the buffer's size; in a callback: the format's size
  std::string szFormat;                  // the driver's name for the format
};

// What a driver's conversion stream does; made by AcmDriver::OpenStream.
class AcmDriverStream {
 public:
  virtual ~AcmDriverStream() = default;
  // The destination size needed for `sourceLength` source bytes (or, with
  // kStreamSizeDestination, the source size that fits a destination size).
  virtual Result Size(std::uint32_t length, std::uint32_t flags, std::uint32_t& answer) = 0;
  // Converts up to `srcLength` bytes into at most `dstLength` bytes and says
  // how many of each it used. Source bytes it does not use are expected again
  // at the start of the next call.
  virtual Result Convert(const std::uint8_t* src, std::uint32_t srcLength, std::uint32_t& srcUsed,
                         std::uint8_t* dst, std::uint32_t dstLength, std::uint32_t& dstUsed,
                         std::uint32_t flags) = 0;
  // Forgets everything held back; the next call starts a new stream.
  virtual Result Reset() = 0;
};

// One codec driver.
class AcmDriver {
 public:
  virtual ~AcmDriver() = default;
  virtual std::string Name() const = 0;
  virtual bool Disabled() const { return false; }
  // Every format the driver offers, in its own order.
  virtual std::vector<ReportedFormat> Formats() const = 0;
  // Builds a stream from `source` to `destination`, or says why it cannot
  // (kNotPossible when it does not convert between these formats).
  virtual Result OpenStream(const WaveFormatBlock& source, const WaveFormatBlock& destination,
                            std::uint32_t flags, std::unique_ptr<AcmDriverStream>& stream) = 0;
};

// Opaque handles.
struct DriverEntry;
struct OpenDriver;
struct OpenStream;
using DriverId = DriverEntry*;
using DriverHandle = OpenDriver*;
using StreamHandle = OpenStream*;

// The layer: the installed drivers and every handle given out on them.
// Single-threaded, like the window that uses it.
class AcmManager {
 public:
  explicit AcmManager(std::vector<std::unique_ptr<AcmDriver>> drivers);
  ~AcmManager();
  AcmManager(const AcmManager&) = delete;
  AcmManager& operator=(const AcmManager&) = delete;

  // Called once per driver with its id and support flags; returning false
  // ends the enumeration. Disabled drivers only with kDriverEnumDisabled.
  using DriverCallback = std::function<bool(DriverId, std::uint32_t support)>;
  Result DriverEnum(const DriverCallback& callback, std::uint32_t flags);
  Result DriverOpen(DriverHandle* handle, DriverId id, std::uint32_t flags);
  Result DriverClose(DriverHandle handle, std::uint32_t flags);
  // The driver's name, for messages; empty for an unknown id.
  std::string DriverName(DriverId id) const;

  // Reports the formats of an opened driver: for each, up to `details.cbwfx`
  // bytes are copied to `details.pwfx`, the record's index, tag, size and
  // name are set, and the callback runs; returning false ends it. With flag 0
  // every format is reported, with kFormatEnumWfxTag only those whose tag
  // equals `details.dwFormatTag`.
  using FormatCallback = std::function<bool(DriverId, FormatDetails&, std::uint32_t support)>;
  Result FormatEnum(DriverHandle driver, FormatDetails& details, const FormatCallback& callback,
                    std::uint32_t flags);

  // Opens a stream between two formats. `driver` null asks every enabled
  // driver in turn. `filter`, `callback` and `instance` must be null/0.
  Result StreamOpen(StreamHandle* stream, DriverHandle driver, const WaveFormatBlock& source,
                    const WaveFormatBlock& destination, const void* filter,
                    std::uintptr_t callback, std::uintptr_t instance, std::uint32_t flags);
  Result StreamSize(StreamHandle stream, std::uint32_t length, std::uint32_t* answer,
                    std::uint32_t flags);
  Result StreamPrepareHeader(StreamHandle stream, StreamHeader& header, std::uint32_t flags);
  Result StreamUnprepareHeader(StreamHandle stream, StreamHeader& header, std::uint32_t flags);
  // Converts `header.cbSrcLength` bytes of `header.pbSrc` into `header.pbDst`
  // and sets `cbSrcLengthUsed` and `cbDstLengthUsed`.
  Result StreamConvert(StreamHandle stream, StreamHeader& header, std::uint32_t flags);
  Result StreamReset(StreamHandle stream, std::uint32_t flags);
  // Closes a stream; kBusy while a header is still prepared on it.
  Result StreamClose(StreamHandle stream, std::uint32_t flags);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The layer as the program uses it: the libmpg123 MPEG audio decoder is its
// one driver.
std::unique_ptr<AcmManager> CreateSystemAcm();

}  // namespace sonavix::acm
