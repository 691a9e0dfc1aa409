#include "mp3/mpg123_acm_driver.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "mp3/mpeg_audio_decoder.h"

namespace sonavix::acm {

namespace {

constexpr std::uint16_t kWaveFormatMpeg = 0x0050;  // MPEG Layer I/II

struct MpegVersion {
  std::array<std::uint32_t, 3> rates;
  std::array<std::uint32_t, 14> layer3Kbps;
  std::uint32_t frameFactor;  // frame bytes = factor × kbit/s ÷ rate
};

constexpr std::array<MpegVersion, 3> kVersions = {{
    {{32000, 44100, 48000}, {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}, 144000},
    {{16000, 22050, 24000}, {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}, 72000},
    {{8000, 11025, 12000}, {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}, 72000},
}};

const MpegVersion* VersionOfRate(std::uint32_t rate) {
  for (const MpegVersion& v : kVersions)
    if (std::find(v.rates.begin(), v.rates.end(), rate) != v.rates.end()) return &v;
  return nullptr;
}

ReportedFormat Layer3Format(std::uint32_t rate, std::uint16_t channels, std::uint32_t kbps, std::uint32_t factor) {
  ReportedFormat f;
  f.block.SetFormatTag(kWaveFormatMpegLayer3);
  f.block.SetChannels(channels);
  f.block.SetSamplesPerSec(rate);
  f.block.SetAvgBytesPerSec(kbps * 1000 / 8);
  f.block.SetBlockAlign(1);
  f.block.SetBitsPerSample(0);
  f.block.SetCbSize(12);
  f.block.SetMp3Fields(1, 2, static_cast<std::uint16_t>(factor * kbps / rate), 1, 0);
  f.size = kMpegLayer3FormatSize;
  return f;
}

bool SourceSupported(const WaveFormatBlock& s) {
  const std::uint16_t tag = s.FormatTag();
  return (tag == kWaveFormatMpegLayer3 || tag == kWaveFormatMpeg) && (s.Channels() == 1 || s.Channels() == 2) &&
         VersionOfRate(s.SamplesPerSec()) != nullptr;
}

bool DestinationMatches(const WaveFormatBlock& s, const WaveFormatBlock& d) {
  const std::uint32_t align = 2u * d.Channels();
  return d.FormatTag() == kWaveFormatPcm && d.BitsPerSample() == 16 && d.Channels() == s.Channels() &&
         d.SamplesPerSec() == s.SamplesPerSec() && d.BlockAlign() == align &&
         d.AvgBytesPerSec() == d.SamplesPerSec() * align;
}

// Decodes one MPEG audio stream with libmpg123.
//
// The caller hands source blocks and takes back how many bytes were used;
// bytes not used are offered again at the start of the next call. Decoded
// sound must never be lost, and a call that uses no source byte at all
// would lose its block, so the stream works like this:
//  - Decoded PCM that does not fit the destination waits in `pending_` and
//    goes out first in the next call.
//  - Source is fed in small pieces only while nothing is pending and the
//    destination has room left, each piece no bigger than what the room
//    takes at the lowest bitrate; bytes not fed are reported unused. At
//    least one byte is always used.
//  - When every offered byte was fed but PCM is still pending, the call
//    reports a tail as unused although it was fed (`alreadyFed_`), so the
//    caller comes back with it; those bytes are then skipped rather than fed
//    twice. After the last block (kConvertEnd) all but one byte is held this
//    way, which gives the caller that many more calls to take the rest.
//  - Once libmpg123 reports the end of the stream, or fails for good, further
//    input is used up and ignored; the call still succeeds, with whatever
//    sound came before.
//  - kConvertStart needs nothing: a stream starts fresh when it is opened
//    and after Reset().
class Mpg123Stream final : public AcmDriverStream {
 public:
  Mpg123Stream(std::uint32_t rate, std::uint16_t channels)
      : rate_(rate), channels_(channels), decoder_(std::make_unique<MpegAudioDecoder>(rate, channels)) {
    // Worst case of PCM bytes per MPEG byte: the lowest bitrate of the
    // version (32 kbit/s for MPEG-1, 8 kbit/s below) at this rate and layout.
    const std::uint32_t minBytesPerSecond = VersionOfRate(rate)->frameFactor == 144000 ? 4000 : 1000;
    ratio_ = (rate * 2u * channels + minBytesPerSecond - 1) / minBytesPerSecond;
  }

  bool ok() const { return decoder_->ok(); }

  Result Size(std::uint32_t length, std::uint32_t flags, std::uint32_t& answer) override {
    const std::uint64_t align = 2u * channels_;
    const std::uint64_t slack = 4 * kMaxFrameSamples * align;
    if (flags == kStreamSizeDestination) {
      const std::uint64_t fits = length > slack ? (length - slack) / ratio_ : 0;
      answer = static_cast<std::uint32_t>(std::max<std::uint64_t>(fits, 1));
      return kNoError;
    }
    std::uint64_t size = std::max<std::uint64_t>(std::uint64_t(length) * ratio_ + slack, kMinDestination);
    size = std::min<std::uint64_t>((size + align - 1) / align * align, kMaxDestination / align * align);
    answer = static_cast<std::uint32_t>(size);
    return kNoError;
  }

  Result Convert(const std::uint8_t* src, std::uint32_t srcLength, std::uint32_t& srcUsed, std::uint8_t* dst,
                 std::uint32_t dstLength, std::uint32_t& dstUsed, std::uint32_t flags) override {
    srcUsed = 0;
    dstUsed = 0;
    if ((srcLength > 0 && !src) || (dstLength > 0 && !dst)) return kInvalidParam;
    Output out{dst, dstLength, 0};
    FlushPending(out);

    std::uint32_t fed = std::min(alreadyFed_, srcLength);
    alreadyFed_ = 0;
    while (fed < srcLength && PendingBytes() == 0 && out.Room() > 0) {
      // A piece small enough that even the lowest bitrate fits the room.
      const std::size_t fitting = std::clamp<std::size_t>(out.Room() / ratio_, 1, kPiece);
      const std::uint32_t piece = std::min<std::uint32_t>(std::uint32_t(fitting), srcLength - fed);
      Feed(src + fed, piece, out);
      fed += piece;
    }
    if (fed == 0 && srcLength > 0) {
      Feed(src, 1, out);  // a call that uses nothing would lose its block
      fed = 1;
    }
    if ((flags & kConvertEnd) && fed == srcLength) {
      Feed(nullptr, 0, out, /*end=*/true);
    }

    srcUsed = fed;
    if (fed == srcLength && PendingBytes() > 0 && srcLength >= 2) {
      const std::uint32_t hold = (flags & kConvertEnd) ? srcLength - 1 : std::min(srcLength - 1, kPiece);
      srcUsed = srcLength - hold;
      alreadyFed_ = hold;
    }
    dstUsed = static_cast<std::uint32_t>(out.written);
    return kNoError;
  }

  Result Reset() override {
    decoder_ = std::make_unique<MpegAudioDecoder>(rate_, channels_);
    pending_.clear();
    pendingHead_ = 0;
    alreadyFed_ = 0;
    return kNoError;
  }

 private:
  static constexpr std::uint32_t kPiece = 512;
  static constexpr std::uint32_t kMaxFrameSamples = 1152;
  static constexpr std::uint64_t kMinDestination = 64 * 1024;
  static constexpr std::uint64_t kMaxDestination = 1u << 30;

  struct Output {
    std::uint8_t* data;
    std::size_t size;
    std::size_t written;
    std::size_t Room() const { return size - written; }
  };

  std::size_t PendingBytes() const { return pending_.size() - pendingHead_; }

  void FlushPending(Output& out) {
    const std::size_t n = std::min(PendingBytes(), out.Room());
    if (n > 0) std::memcpy(out.data + out.written, pending_.data() + pendingHead_, n);
    out.written += n;
    pendingHead_ += n;
    if (pendingHead_ == pending_.size()) {
      pending_.clear();
      pendingHead_ = 0;
    }
  }

  // Decodes `size` bytes; the PCM goes to `out` as far as it fits, the rest
  // behind whatever is pending. A failed decoder takes the bytes and gives
  // nothing.
  void Feed(const std::uint8_t* data, std::size_t size, Output& out, bool end = false) {
    decoded_.clear();
    decoder_->Decode(data, size, end, decoded_);
    const std::size_t direct = PendingBytes() == 0 ? std::min(decoded_.size(), out.Room()) : 0;
    if (direct > 0) std::memcpy(out.data + out.written, decoded_.data(), direct);
    out.written += direct;
    pending_.insert(pending_.end(), decoded_.begin() + std::ptrdiff_t(direct), decoded_.end());
  }

  std::uint32_t rate_;
  std::uint16_t channels_;
  std::uint32_t ratio_ = 1;
  std::unique_ptr<MpegAudioDecoder> decoder_;
  std::vector<std::uint8_t> decoded_;
  std::vector<std::uint8_t> pending_;
  std::size_t pendingHead_ = 0;
  std::uint32_t alreadyFed_ = 0;
};

class Mpg123AcmDriver final : public AcmDriver {
 public:
  std::string Name() const override { return "MPEG Audio Decoder (libmpg123)"; }

  std::vector<ReportedFormat> Formats() const override {
    std::vector<ReportedFormat> formats;
    for (const MpegVersion& v : kVersions)
      for (std::uint32_t rate : v.rates)
        for (std::uint16_t channels : {1, 2})
          for (std::uint32_t kbps : v.layer3Kbps) formats.push_back(Layer3Format(rate, channels, kbps, v.frameFactor));
    return formats;
  }

  Result OpenStream(const WaveFormatBlock& source, const WaveFormatBlock& destination, std::uint32_t flags,
                    std::unique_ptr<AcmDriverStream>& stream) override {
    stream.reset();
    if (flags & ~(kStreamOpenQuery | kStreamOpenNonRealtime)) return kInvalidFlag;
    if (!SourceSupported(source) || !DestinationMatches(source, destination)) return kNotPossible;
    if (flags & kStreamOpenQuery) return kNoError;
    auto made = std::make_unique<Mpg123Stream>(source.SamplesPerSec(), source.Channels());
    if (!made->ok()) return kNoMemory;
    stream = std::move(made);
    return kNoError;
  }
};

}  // namespace

std::unique_ptr<AcmDriver> CreateMpg123AcmDriver() { return std::make_unique<Mpg123AcmDriver>(); }

}  // namespace sonavix::acm
