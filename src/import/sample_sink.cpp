#include "import/sample_sink.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstring>
#include <limits>

namespace sonavix {

namespace {

constexpr std::int64_t kMostBytes = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kFirstBytes = 1 << 20;
constexpr double kResamplerPrecisionBits = 28;  // soxr's "very high quality"

AVChannelLayout LayoutOf(const AVFrame& frame) {
  AVChannelLayout layout{};
  if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&layout, frame.ch_layout.nb_channels);
  else
    av_channel_layout_copy(&layout, &frame.ch_layout);
  return layout;
}

// Two planes of samples into left, right, left, right, ...
template <class Sample>
void Interleave(const Sample* left, const Sample* right, int count, Sample* out) {
  for (int i = 0; i < count; ++i) {
    out[2 * i] = left[i];
    out[2 * i + 1] = right[i];
  }
}

}  // namespace

SampleSink::~SampleSink() { av_channel_layout_uninit(&inLayout_); }

SampleSink::SampleSink(const TargetSound& target)
    : target_(target), frameBytes_(target.channels * (target.sixteenBit ? 2 : 1)) {}

SoundFormat SampleSink::Format() const { return {target_.rate, target_.channels == 2, target_.sixteenBit}; }

bool SampleSink::Room(std::int64_t frames) {
  const std::int64_t needed = used_ + frames * frameBytes_;
  if (needed > kMostBytes) {
    tooLong_ = true;
    return false;
  }
  if (needed <= block_.size) return true;
  const std::int64_t grown = std::min(kMostBytes, std::max({needed, std::int64_t{block_.size} * 3 / 2, kFirstBytes}));
  SampleBlock larger = SampleBlock::Allocate(static_cast<std::int32_t>(grown));
  if (used_ > 0) std::memcpy(larger.bytes.get(), block_.bytes.get(), static_cast<std::size_t>(used_));
  block_ = std::move(larger);
  return true;
}

void SampleSink::Reserve(std::int64_t frames) { Room(std::min(frames, kMostBytes / frameBytes_)); }

// Frames that have the editor's format already are copied, not converted.
bool SampleSink::Direct(const AVFrame& frame) const {
  const AVSampleFormat wanted = target_.sixteenBit ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_U8;
  const auto format = static_cast<AVSampleFormat>(frame.format);
  return !resampler_ && frame.sample_rate == target_.rate && frame.ch_layout.nb_channels == target_.channels &&
         (format == wanted || format == av_get_planar_sample_fmt(wanted));
}

bool SampleSink::Prepare(const AVFrame& frame) {
  AVChannelLayout layout = LayoutOf(frame);
  const bool same = resampler_ && inFormat_ == frame.format && inRate_ == frame.sample_rate &&
                    av_channel_layout_compare(&inLayout_, &layout) == 0;
  if (same) {
    av_channel_layout_uninit(&layout);
    return true;
  }
  if (resampler_ && !Finish()) return false;  // the stream changed its format: what is held goes first
  av_channel_layout_uninit(&inLayout_);
  inLayout_ = layout;
  inFormat_ = frame.format;
  inRate_ = frame.sample_rate;
  AVChannelLayout out{};
  av_channel_layout_default(&out, target_.channels);
  SwrContext* raw = nullptr;
  const int made = swr_alloc_set_opts2(&raw, &out, target_.sixteenBit ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_U8,
                                       target_.rate, &inLayout_, static_cast<AVSampleFormat>(inFormat_), inRate_,
                                       0, nullptr);
  av_channel_layout_uninit(&out);
  resampler_.reset(raw);
  if (made < 0) return false;
  // The standard down-mix matrix, scaled so that the mix cannot clip.
  av_opt_set_double(raw, "rematrix_maxval", 1.0, 0);
  if (target_.dither) av_opt_set_int(raw, "dither_method", SWR_DITHER_TRIANGULAR, 0);
  if (inRate_ != target_.rate && av_opt_set(raw, "resampler", "soxr", 0) >= 0)
    av_opt_set_double(raw, "precision", kResamplerPrecisionBits, 0);
  else if (inRate_ != target_.rate)
    av_opt_set_int(raw, "filter_size", 64, 0);
  return swr_init(raw) >= 0;
}

bool SampleSink::Add(const AVFrame& frame) {
  if (frame.nb_samples <= 0) return true;
  if (Direct(frame)) {
    if (!Room(frame.nb_samples)) return false;
    const int sampleBytes = target_.sixteenBit ? 2 : 1;
    const bool planar = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame.format)) && target_.channels == 2;
    if (!planar) {
      std::memcpy(End(), frame.extended_data[0], static_cast<std::size_t>(frame.nb_samples) * frameBytes_);
    } else if (sampleBytes == 2) {
      Interleave(reinterpret_cast<const std::int16_t*>(frame.extended_data[0]),
                 reinterpret_cast<const std::int16_t*>(frame.extended_data[1]), frame.nb_samples,
                 reinterpret_cast<std::int16_t*>(End()));
    } else {
      Interleave(frame.extended_data[0], frame.extended_data[1], frame.nb_samples, End());
    }
    used_ += std::int64_t{frame.nb_samples} * frameBytes_;
    return true;
  }
  if (!Prepare(frame)) return false;
  const int most = swr_get_out_samples(resampler_.get(), frame.nb_samples);
  if (most < 0 || !Room(most)) return false;
  std::uint8_t* out = End();
  const int made = swr_convert(resampler_.get(), &out, most, const_cast<const std::uint8_t**>(frame.extended_data),
                               frame.nb_samples);
  if (made < 0) return false;
  used_ += std::int64_t{made} * frameBytes_;
  return true;
}

bool SampleSink::Finish() {
  if (!resampler_) return true;
  const int most = swr_get_out_samples(resampler_.get(), 0);
  if (most > 0) {
    if (!Room(most)) return false;
    std::uint8_t* out = End();
    const int made = swr_convert(resampler_.get(), &out, most, nullptr, 0);
    if (made < 0) return false;
    used_ += std::int64_t{made} * frameBytes_;
  }
  resampler_.reset();
  return true;
}

SampleBlock SampleSink::Take() {
  av_channel_layout_uninit(&inLayout_);
  SampleBlock block = std::move(block_);
  block.size = static_cast<std::int32_t>(used_);
  used_ = 0;
  return block;
}

}  // namespace sonavix
