#pragma once
// Where decoded frames go: converted to the editor's format (or copied, when
// they have it already) straight into the one block that becomes the
// document's sound. The block is made as large as announced and grows only
// when a stream runs longer; it never passes what the document can hold.

#include <cstdint>

#include "document/audio_document.h"
#include "import/ffmpeg_handles.h"
#include "import/sample_conversion.h"

namespace sonavix {

class SampleSink {
 public:
  explicit SampleSink(const TargetSound& target);
  ~SampleSink();
  SampleSink(const SampleSink&) = delete;
  SampleSink& operator=(const SampleSink&) = delete;

  // Room for this many frames, taken at once.
  void Reserve(std::int64_t frames);
  // Appends a decoded frame. False when the sound would pass the document's
  // limit (TooLong) or the conversion fails. Throws std::bad_alloc.
  bool Add(const AVFrame& frame);
  // Empties the resampler's delay into the block.
  bool Finish();

  std::int64_t Frames() const { return used_ / frameBytes_; }
  bool TooLong() const { return tooLong_; }
  SoundFormat Format() const;
  SampleBlock Take();

 private:
  bool Direct(const AVFrame& frame) const;
  bool Prepare(const AVFrame& frame);
  bool Room(std::int64_t frames);
  std::uint8_t* End() { return block_.bytes.get() + used_; }

  TargetSound target_;
  int frameBytes_;
  SampleBlock block_;          // block_.size is its capacity until Take
  std::int64_t used_ = 0;      // bytes written
  import::AvPtr<SwrContext> resampler_;
  AVChannelLayout inLayout_{};
  int inFormat_ = -1;
  int inRate_ = 0;
  bool tooLong_ = false;
};

}  // namespace sonavix
