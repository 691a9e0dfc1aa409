#include "mp3/mpeg_audio_decoder.h"

#include <bit>
#include <mutex>
#include <utility>

#include <mpg123.h>

namespace sonavix {

namespace {

// mpg123_init sets up process-wide tables; once is enough and it must not
// race with another decoder being made on a worker thread.
bool InitLibrary() {
  static std::once_flag once;
  static bool initialised = false;
  std::call_once(once, [] { initialised = mpg123_init() == MPG123_OK; });
  return initialised;
}

}  // namespace

void MpegAudioDecoder::Deleter::operator()(mpg123_handle_struct* h) const {
  mpg123_close(h);
  mpg123_delete(h);
}

MpegAudioDecoder::MpegAudioDecoder() {
  // Every rate an MPEG stream can have, in the stream's own channel layout.
  // Resampling is switched off: the output keeps the stream's own rate.
  const long* rates = nullptr;
  std::size_t count = 0;
  mpg123_rates(&rates, &count);
  Open(rates, count, MPG123_MONO | MPG123_STEREO, false);
}

MpegAudioDecoder::MpegAudioDecoder(int rate, int channels) {
  // Only the one format is allowed, so libmpg123 converts to it: its own
  // resampler for another rate, mixing or doubling for another layout. A
  // stream in that very format is decoded without either.
  const long rates[] = {rate};
  Open(rates, 1, channels == 1 ? MPG123_MONO : MPG123_STEREO, true);
}

void MpegAudioDecoder::Open(const long* rates, std::size_t rateCount, int channelMask, bool resample) {
  if (!InitLibrary()) return;
  int err = MPG123_OK;
  handle_.reset(mpg123_new(nullptr, &err));
  if (!handle_ || err != MPG123_OK) {
    handle_.reset();
    return;
  }
  mpg123_handle* mh = handle_.get();
  // Gapless decoding uses the LAME/Xing header's encoder delay, padding and
  // frame count: the delay is cut from the start and the stream stops at the
  // declared sample count, which takes the padding off the end. That end is
  // worked out from the header alone, so it needs no file size and works in
  // feed mode too. Without such a header every decoded sample is kept.
  bool ok = mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0) == MPG123_OK;
  if (!resample) ok = ok && mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_AUTO_RESAMPLE, 0) == MPG123_OK;
  // Only 16-bit signed output, at the allowed rates and layouts.
  ok = ok && mpg123_format_none(mh) == MPG123_OK;
  for (std::size_t i = 0; ok && i < rateCount; ++i)
    ok = mpg123_format(mh, rates[i], channelMask, MPG123_ENC_SIGNED_16) == MPG123_OK;
  ok = ok && mpg123_open_feed(mh) == MPG123_OK;
  if (!ok) handle_.reset();
}

MpegAudioDecoder::~MpegAudioDecoder() = default;

bool MpegAudioDecoder::ok() const { return handle_ != nullptr && !failed_; }

bool MpegAudioDecoder::Decode(const std::uint8_t* data, std::size_t size, bool end,
                              std::vector<std::uint8_t>& out) {
  if (!ok()) return false;
  // Once the stream has reported its end (the sample count from its header
  // is reached), anything after it, such as an ID3v1 tag, is not audio.
  if (done_) return true;
  if (size > 0 && mpg123_feed(handle_.get(), data, size) != MPG123_OK) {
    failed_ = true;
    return false;
  }
  // Every call drains all that can be decoded, so with `end` set there is
  // nothing further to flush: a frame libmpg123 is still waiting on is
  // incomplete and cannot be decoded.
  (void)end;
  return Drain(out);
}

bool MpegAudioDecoder::Drain(std::vector<std::uint8_t>& out) {
  mpg123_handle* mh = handle_.get();
  for (;;) {
    const std::size_t start = out.size();
    out.resize(start + 16384);
    std::size_t got = 0;
    const int rc = mpg123_read(mh, out.data() + start, 16384, &got);
    out.resize(start + got);
    if constexpr (std::endian::native == std::endian::big) {
      for (std::size_t i = start; i + 1 < out.size(); i += 2) std::swap(out[i], out[i + 1]);
    }
    if (rc == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0, encoding = 0;
      if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK ||
          encoding != MPG123_ENC_SIGNED_16) {
        failed_ = true;
        return false;
      }
      rate_ = static_cast<int>(rate);
      channels_ = channels;
      continue;
    }
    if (rc == MPG123_OK) continue;
    if (rc == MPG123_NEED_MORE) return true;
    if (rc == MPG123_DONE) {
      done_ = true;
      return true;
    }
    failed_ = true;
    return false;
  }
}

}  // namespace sonavix
