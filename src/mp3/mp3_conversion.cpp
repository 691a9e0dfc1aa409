#include "mp3/mp3_conversion.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "document/byte_io.h"
#include "document/little_endian.h"
#include "mp3/mp3_source.h"

namespace sonavix {

// ---- codec discovery ------------------------------------------------------

Mp3FormatDiscovery::Mp3FormatDiscovery(acm::AcmManager& manager) : manager_(manager) {}

std::vector<WaveFormatBlock> Mp3FormatDiscovery::Run() {
  found_.clear();
  manager_.DriverEnum(
      [this](acm::DriverId driver, std::uint32_t) {
        ListDriverFormats(driver);
        return true;
      },
      acm::kDriverEnumDisabled);
  return found_;
}

void Mp3FormatDiscovery::ListDriverFormats(acm::DriverId driver) {
  WaveFormatBlock block;
  block.SetFormatTag(kWaveFormatMpegLayer3);
  block.SetCbSize(kFormatBlockSize);
  acm::FormatDetails details;
  details.dwFormatTag = kWaveFormatMpegLayer3;
  details.pwfx = block.bytes.data();
  details.cbwfx = kFormatBlockSize;

  acm::DriverHandle handle = nullptr;
  if (manager_.DriverOpen(&handle, driver, 0) == acm::kNoError) {
    // Flag 0: every format of the driver comes back, whatever its tag; the
    // method below keeps the layer-3 ones.
    manager_.FormatEnum(
        handle, details,
        [this](acm::DriverId, acm::FormatDetails& reported, std::uint32_t) {
          KeepIfLayer3(reported);
          return true;
        },
        0);
    manager_.DriverClose(handle, 0);
  }
}

void Mp3FormatDiscovery::KeepIfLayer3(const acm::FormatDetails& details) {
  if (details.dwFormatTag != kWaveFormatMpegLayer3 || !details.pwfx) return;
  WaveFormatBlock slot;
  std::memcpy(slot.bytes.data(), details.pwfx, std::min<std::size_t>(details.cbwfx, kFormatBlockSize));
  found_.push_back(slot);
}

// ---- conversion -----------------------------------------------------------

namespace {

constexpr std::size_t kWaveHeaderSize = 44;

// The destination file: created (or emptied) for writing, written through a
// buffer so that the small blocks of the conversion do not each cost a
// system call, and closed on every way out.
class WaveOutput {
 public:
  explicit WaveOutput(const std::string& path)
      : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {}
  ~WaveOutput() {
    if (fd_ >= 0) ::close(fd_);
  }
  WaveOutput(const WaveOutput&) = delete;
  WaveOutput& operator=(const WaveOutput&) = delete;

  bool ok() const { return fd_ >= 0 && !failed_; }
  std::int64_t Length() const { return length_; }

  void Append(const std::uint8_t* data, std::size_t n) {
    if (buffer_.size() + n > kBufferSize) Flush();
    if (n >= kBufferSize) {
      WriteAt(length_ - static_cast<std::int64_t>(buffer_.size()), data, n);
    } else {
      buffer_.insert(buffer_.end(), data, data + n);
    }
    length_ += static_cast<std::int64_t>(n);
  }

  // Writes buffered bytes out; the file then has Length() bytes.
  void Flush() {
    if (buffer_.empty()) return;
    WriteAt(length_ - static_cast<std::int64_t>(buffer_.size()), buffer_.data(), buffer_.size());
    buffer_.clear();
  }

  void WriteAt(std::int64_t offset, const std::uint8_t* data, std::size_t n) {
    if (fd_ < 0 || failed_) return;
    FdSink sink(fd_);
    if (!sink.WriteAt(offset, data, n)) failed_ = true;
  }

  // A file that could not be written whole is emptied, so that it reads as
  // no sound at all rather than as part of one.
  void Discard() {
    buffer_.clear();
    if (fd_ >= 0 && ::ftruncate(fd_, 0) == 0) length_ = 0;
  }

 private:
  static constexpr std::size_t kBufferSize = 256 * 1024;
  int fd_;
  bool failed_ = false;
  std::int64_t length_ = 0;
  std::vector<std::uint8_t> buffer_;
};

// The canonical 44-byte header: the first 16 bytes of the PCM format, and
// the RIFF and data sizes.
std::array<std::uint8_t, kWaveHeaderSize> WaveHeader(const WaveFormatBlock& pcm, std::int64_t fileLength) {
  const auto clamp = [](std::int64_t v) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(v, 0, std::numeric_limits<std::uint32_t>::max()));
  };
  std::array<std::uint8_t, kWaveHeaderSize> h{};
  std::memcpy(&h[0], "RIFF", 4);
  StoreLe32(&h[4], fileLength > 0 ? clamp(fileLength - 8) : 0);
  std::memcpy(&h[8], "WAVEfmt ", 8);
  StoreLe32(&h[16], 16);
  std::memcpy(&h[20], pcm.bytes.data(), 16);
  std::memcpy(&h[36], "data", 4);
  StoreLe32(&h[40], fileLength > 0 ? clamp(fileLength - static_cast<std::int64_t>(kWaveHeaderSize)) : 0);
  return h;
}

std::unique_ptr<FileSource> OpenSourceWithRetry(const std::string& path) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    auto source = std::make_unique<FileSource>(path);
    if (source->ok()) return source;
  }
  return nullptr;
}

// Destination: 16-bit PCM of the stream's channels and rate. The tag stays
// as stored.
void SetPcmFormat(WaveFormatBlock& out, const Mp3Source& mp3) {
  const auto channels = static_cast<std::uint16_t>(mp3.channels);
  const auto rate = static_cast<std::uint32_t>(mp3.sampleRate);
  out.SetChannels(channels);
  out.SetSamplesPerSec(rate);
  out.SetBitsPerSample(16);
  out.SetAvgBytesPerSec(channels * rate * 16 / 8);
  out.SetBlockAlign(static_cast<std::uint16_t>(channels * 16 / 8));
  out.SetCbSize(0);
}

// Source: the stream's channels, rate and bitrate over whatever layer-3
// fields the block holds; then the last codec format with the same
// channels, rate, bits and bytes per second replaces the whole block.
void SetMp3Format(WaveFormatBlock& in, const Mp3Source& mp3, const std::vector<WaveFormatBlock>& formatList) {
  in.SetChannels(static_cast<std::uint16_t>(mp3.channels));
  in.SetSamplesPerSec(static_cast<std::uint32_t>(mp3.sampleRate));
  in.SetBitsPerSample(0);
  in.SetAvgBytesPerSec(static_cast<std::uint32_t>(mp3.bitrateKbps) * 1000 / 8);
  const WaveFormatBlock wanted = in;
  for (const WaveFormatBlock& codec : formatList) {
    if (codec.Channels() == wanted.Channels() && codec.SamplesPerSec() == wanted.SamplesPerSec() &&
        codec.BitsPerSample() == wanted.BitsPerSample() && codec.AvgBytesPerSec() == wanted.AvgBytesPerSec()) {
      in = codec;
    }
  }
}

// Makes the converter inactive again however the conversion ends; a failure
// while closing on an error path must not hide the error itself.
class ActiveConverter {
 public:
  explicit ActiveConverter(AcmConverter& c) : c_(c) { c_.SetActive(true); }
  ~ActiveConverter() {
    try {
      c_.SetActive(false);
    } catch (const AcmError&) {
    }
  }
  ActiveConverter(const ActiveConverter&) = delete;
  ActiveConverter& operator=(const ActiveConverter&) = delete;
  void Close() { c_.SetActive(false); }

 private:
  AcmConverter& c_;
};

int Progress(std::int64_t fileLength, std::int64_t budget) {
  if (fileLength < budget) return 100;
  return static_cast<int>((fileLength - budget) * 100 / fileLength);
}

enum class StreamEnd { Done, WriteFailed, TooLong };

// Streams the source from `pos` through the converter into `out`, a chunk of
// InputBufferSize bytes at a time, until the file is used up or a stop is
// requested. Stops as soon as the sound would grow past `maxBytes`.
StreamEnd StreamThrough(FileSource& source, std::int64_t pos, AcmConverter& mp3wav, WaveOutput& out,
                        Mp3ConversionHost& host, acm::AcmManager& manager, std::int64_t maxBytes) {
  const std::int64_t fileLength = source.Size();
  std::int64_t budget = fileLength - pos;
  enum class Mode { First, Middle, Last } mode = Mode::First;
  acm::StreamHeader& header = mp3wav.StreamHeader();
  while (budget > 0 && !host.StopRequested()) {
    std::int64_t chunk = mp3wav.InputBufferSize();
    if (budget < chunk) {
      chunk = budget;
      mode = Mode::Last;
    }
    const std::size_t got = source.ReadAt(pos, mp3wav.SourceBuffer(), static_cast<std::size_t>(chunk));
    if (got == 0) break;  // the file became shorter than it was
    chunk = static_cast<std::int64_t>(got);
    pos += chunk;
    budget -= chunk;
    header.cbSrcLength = static_cast<std::uint32_t>(chunk);
    host.ShowProgress(Progress(fileLength, budget));

    const std::uint32_t flags = mode == Mode::First  ? acm::kConvertStart
                                : mode == Mode::Last ? acm::kConvertEnd
                                                     : 0;
    try {
      CheckAcmResult(manager.StreamConvert(mp3wav.StreamHandle(), header, flags), "acmStreamConvert:");
    } catch (const AcmError&) {
      // One block that does not convert loses only its own output.
    }
    const std::int64_t used = header.cbSrcLengthUsed;
    if (used < chunk && used != 0) {
      pos -= chunk - used;
      budget += chunk - used;
    }
    const std::uint32_t made = std::min(header.cbDstLengthUsed, mp3wav.DestBufferSize());
    if (out.Length() - static_cast<std::int64_t>(kWaveHeaderSize) + made > maxBytes)
      return StreamEnd::TooLong;
    out.Append(mp3wav.DestBuffer(), made);
    if (!out.ok()) return StreamEnd::WriteFailed;
    host.Checkpoint();
    if (mode != Mode::Last) mode = Mode::Middle;
  }
  return StreamEnd::Done;
}

}  // namespace

std::int64_t MaxPcmBytes(int channels) {
  const std::int64_t frame = 2 * std::max(channels, 1);
  return std::numeric_limits<std::int32_t>::max() / frame * frame;
}

std::string TooLongMessage(int sampleRate, int channels) {
  const std::int64_t bytesPerSecond = std::int64_t{std::max(sampleRate, 1)} * 2 * std::max(channels, 1);
  const std::int64_t seconds = MaxPcmBytes(channels) / bytesPerSecond;
  return "Die MP3-Datei ist zu lang: Bei " + std::to_string(sampleRate) + " Hz " +
         (channels == 1 ? "Mono" : "Stereo") + " fasst eine WAV-Datei höchstens " +
         std::to_string(seconds / 3600) + " Stunden " + std::to_string(seconds / 60 % 60) + " Minuten.";
}

void ConvertMp3ToWave(const std::string& sourcePath, const std::string& destination, AcmConverter& mp3wav,
                   const std::vector<WaveFormatBlock>& formatList, Mp3ConversionHost& host,
                   std::int64_t maxPcmBytes) {
  host.ClearStopRequest();
  host.ShowProgress(0);
  const std::unique_ptr<FileSource> source = OpenSourceWithRetry(sourcePath);
  if (!source) {
    host.ShowError("Konnte Datei nicht öffnen!");
    return;
  }
  WaveOutput out(destination);
  if (!out.ok()) {
    host.ShowError("Konnte Ausgabedatei nicht erstellen!");
    return;
  }

  // Without a frame there is nothing to convert: the file gets a header and
  // an empty data chunk, which the WAV reader refuses.
  const std::optional<Mp3Source> mp3 = AnalyseMp3Source(*source);
  if (!mp3) {
    const auto empty = WaveHeader(mp3wav.ACMFormatOut(), kWaveHeaderSize);
    out.Append(empty.data(), empty.size());
    out.Flush();
    host.ShowProgress(0);
    return;
  }
  SetPcmFormat(mp3wav.ACMFormatOut(), *mp3);
  SetMp3Format(mp3wav.ACMFormatIn(), *mp3, formatList);
  const auto provisional = WaveHeader(mp3wav.ACMFormatOut(), 0);
  out.Append(provisional.data(), provisional.size());

  mp3wav.SetInputBufferSize(mp3wav.ACMFormatIn().BlockAlign() * 1024);
  StreamEnd end = StreamEnd::Done;
  {
    ActiveConverter active(mp3wav);
    end = StreamThrough(*source, mp3->dataStart, mp3wav, out, host, mp3wav.Manager(),
                        maxPcmBytes < 0 ? MaxPcmBytes(mp3->channels) : maxPcmBytes);
    host.ShowProgress(0);
    CheckAcmResult(mp3wav.Manager().StreamReset(mp3wav.StreamHandle(), 0), "acmStreamReset");
    active.Close();
  }

  out.Flush();
  if (end != StreamEnd::Done || !out.ok()) {
    out.Discard();
    host.ShowProgress(0);
    if (end == StreamEnd::TooLong) host.ReportTooLong(TooLongMessage(mp3->sampleRate, mp3->channels));
    return;
  }
  out.WriteAt(0, WaveHeader(mp3wav.ACMFormatOut(), out.Length()).data(), kWaveHeaderSize);
  if (!out.ok()) out.Discard();
  host.ShowProgress(0);
}

}  // namespace sonavix
