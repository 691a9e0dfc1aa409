#pragma once
// Decoding of an MPEG audio stream that arrives in pieces. The MP3 import
// reads the file a chunk at a time and hands each chunk here; what comes back
// is 16-bit little-endian interleaved PCM at the stream's own rate and
// channel count, ready to be written into a WAV file.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct mpg123_handle_struct;

namespace sonavix {

// Decodes MPEG audio (Layer I/II/III, MPEG-1/2/2.5) fed in chunks to 16-bit
// little-endian interleaved PCM at the stream's own rate and channel count.
// The encoder delay and padding a LAME/Xing header declares are trimmed, so a
// file made from N samples decodes back to N samples.
class MpegAudioDecoder {
 public:
  MpegAudioDecoder();
  // Always gives `rate` Hz and `channels` (1 or 2) channels, whatever the
  // stream holds: another rate is resampled, stereo is mixed down to mono
  // and mono is doubled to stereo. A stream already in that format decodes
  // to the same bytes as with the default constructor.
  MpegAudioDecoder(int rate, int channels);
  ~MpegAudioDecoder();
  MpegAudioDecoder(const MpegAudioDecoder&) = delete;
  MpegAudioDecoder& operator=(const MpegAudioDecoder&) = delete;

  // False when libmpg123 could not be set up; Decode then does nothing.
  bool ok() const;

  // Feeds `size` bytes and appends every PCM byte that can be decoded so far
  // to `out`. With `end` set, the stream ends here and whatever libmpg123
  // still holds back is drained as well. Returns false on a decoder error
  // that makes further decoding impossible.
  bool Decode(const std::uint8_t* data, std::size_t size, bool end, std::vector<std::uint8_t>& out);

  // Format of the output once known (after the first frame): 0 until then.
  int SampleRate() const { return rate_; }
  int Channels() const { return channels_; }

 private:
  struct Deleter {
    void operator()(mpg123_handle_struct* h) const;
  };
  // Creates the feed-mode handle that allows 16-bit output at `rates` in
  // the `channelMask` layouts (MPG123_MONO, MPG123_STEREO); `resample`
  // lets libmpg123 convert a stream to an allowed rate.
  void Open(const long* rates, std::size_t rateCount, int channelMask, bool resample);
  // Takes decoded PCM out of libmpg123 until it wants more input; false on
  // a hard error.
  bool Drain(std::vector<std::uint8_t>& out);

  std::unique_ptr<mpg123_handle_struct, Deleter> handle_;
  bool failed_ = false;
  bool done_ = false;
  int rate_ = 0;
  int channels_ = 0;
};

}  // namespace sonavix
