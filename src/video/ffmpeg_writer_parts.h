#pragma once
// The FFmpeg media writer's parts, shared by its two files: the handles and
// options it works with and the class itself. ffmpeg_media_writer.cpp
// writes pictures and sound; ffmpeg_writer_open.cpp sets up the encoders
// and the file. Read by nothing else.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <deque>
#include <cstring>
#include <mutex>
#include <thread>

#include "document/safe_file.h"
#include "video/ffmpeg_formats.h"
#include "video/media_writer.h"

namespace sonavix::ffmpeg_writer {

// Threads of the encoders, the same on every machine: the MPEG encoders'
// slices and libvpx follow the first, x264's frame threads the second.
inline constexpr int kEncoderThreads = 2;
inline constexpr int kX264Threads = 3;

using namespace ffmpeg_formats;


// One deleter for everything FFmpeg hands out, so every exit frees it.
struct FreeAv {
  void operator()(AVFormatContext* p) const { avformat_free_context(p); }
  void operator()(AVIOContext* p) const {
    av_freep(&p->buffer);
    avio_context_free(&p);
  }
  void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
  void operator()(AVFrame* p) const { av_frame_free(&p); }
  void operator()(AVPacket* p) const { av_packet_free(&p); }
  void operator()(SwsContext* p) const { sws_freeContext(p); }
  void operator()(SwrContext* p) const { swr_free(&p); }
  void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
  void operator()(AVBufferPool* p) const { av_buffer_pool_uninit(&p); }
};
template <class T>
using AvPtr = std::unique_ptr<T, FreeAv>;

struct Options {
  AVDictionary* dict = nullptr;
  Options() = default;
  Options(const Options&) = delete;
  Options& operator=(const Options&) = delete;
  ~Options() { av_dict_free(&dict); }
  void Set(const char* key, std::int64_t value) { av_dict_set_int(&dict, key, value, 0); }
  void Set(const char* key, const char* value) { av_dict_set(&dict, key, value, 0); }
  // After the open: whatever is left was not understood.
  bool AllTaken() const { return av_dict_count(dict) == 0; }
};

// The multiplexer's output goes through the safe file's descriptor.
inline int WriteToFile(void* opaque, std::uint8_t* data, int size) {
  auto* file = static_cast<SafeFileWriter*>(opaque);
  if (size > 0 && !file->WriteAll(data, static_cast<std::size_t>(size)))
    return AVERROR(file->LastError());
  return 0;
}

inline std::int64_t SeekInFile(void* opaque, std::int64_t offset, int whence) {
  const int fd = static_cast<SafeFileWriter*>(opaque)->fd();
  if (whence & AVSEEK_SIZE) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? st.st_size : AVERROR(errno);
  }
  const off_t at = ::lseek(fd, offset, whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : at;
}

inline AvPtr<AVFrame> MakeAudioFrame(const AVCodecContext& codec, int samples) {
  AvPtr<AVFrame> frame(av_frame_alloc());
  if (!frame) return nullptr;
  frame->format = codec.sample_fmt;
  frame->nb_samples = samples;
  frame->sample_rate = codec.sample_rate;
  if (av_channel_layout_copy(&frame->ch_layout, &codec.ch_layout) < 0 ||
      av_frame_get_buffer(frame.get(), 0) < 0)
    return nullptr;
  return frame;
}

class FfmpegMediaWriter final : public MediaWriter {
 public:
  void SetFormatPreset(DiscPreset preset, TvSystem tv = TvSystem::Pal) override {
    const auto index = static_cast<std::size_t>(preset);
    if (index >= std::size(kFormats)) return;
    format_ = &kFormats[index];
    ntsc_ = tv == TvSystem::Ntsc && index < std::size(kNtsc) ? &kNtsc[index] : nullptr;
  }
  int FrameWidth() const override { return format_->width; }
  int FrameHeight() const override { return ntsc_ ? ntsc_->height : format_->height; }
  VideoRate FrameRate() const override {
    if (Web()) return VideoRate(webRate_);
    return ntsc_ ? VideoRate(30000, 1001) : VideoRate(25);
  }
  void SetQuality(double quality) override {
    quality_ = std::isnan(quality) ? 1.0 : std::clamp(quality, 0.0, 1.0);
  }
  void SetExactEnd(bool exact) override { exactEnd_ = exact; }
  void SetWebFrameRate(int rate) override { webRate_ = rate == 60 ? 60 : kMp4FramesPerSecond; }
  void SetChapters(std::vector<MediaChapter> chapters) override { chapters_ = std::move(chapters); }
  bool SetFileName(const std::string& path) override;
  bool WriteImage(const MediaImage& image) override;
  bool RepeatImage() override;
  std::unique_ptr<ConvertedImage> ConvertAhead(const MediaImage& image) const override;
  bool WriteConverted(std::unique_ptr<ConvertedImage> picture) override;
  bool WriteSound(const MediaSound& sound) override;
  bool WriteClose() override;
  WriteFailure Failure() const override { return failure_; }

 private:
  struct Track {
    AvPtr<AVCodecContext> codec;
    AVStream* stream = nullptr;
    AvPtr<AVFrame> frame;   // reused for every frame sent
    std::int64_t next = 0;  // pts of the next frame, in the codec's time base
  };

  // Everything one file needs while it is written; members go in reverse
  // order, so the file is let go of last and, unless committed, removed.
  struct Session {
    SafeFileWriter file;
    AvPtr<AVIOContext> io;
    AvPtr<AVFormatContext> muxer;
    AvPtr<AVPacket> packet;
    // MP4's last sound packets, held back until it is known which are the
    // last: those past the pictures' end are then left out, and the one
    // reaching over it is cut there.
    std::deque<AvPtr<AVPacket>> heldSound;
    bool soundWritten = false;
    Track video;
    Track audio;
    AvPtr<SwsContext> scaler;
    AvPtr<SwrContext> resampler;
    int soundRate = 0;
    int soundChannels = 0;
    AvPtr<AVFrame> converted;  // resampled sound on its way into the queue
    AvPtr<AVAudioFifo> queue;
    explicit Session(const std::string& path) : file(path) {}
  };

  bool StartFile(const std::string& path);
  bool OpenVideo();
  bool OpenAudio();
  bool OpenTrack(Track& track, const AVCodec& codec, Options& options);
  bool AddChapters();
  bool WriteHeader();
  std::int64_t VideoBitRate() const;
  bool ConvertPicture(const MediaImage& image);
  // Into the planes of a picture of the frame's size; the scaler is kept
  // for the next picture.
  bool ConvertInto(const MediaImage& image, AvPtr<SwsContext>& scaler, int width, int height,
                   std::uint8_t* const planes[4], const int strides[4]) const;
  bool PrepareResampler(int rate, int channels);
  bool QueueSound(const std::uint8_t** input, int frames);
  bool EndTracksTogether();
  bool EncodeQueuedSound(bool finish);
  bool Encode(Track& track, const AVFrame* frame);
  bool WritePacket(Track& track, AVPacket* packet);
  bool WriteHeldSound();
  bool NotOpen();
  bool Fail(WriteFailure::Stage stage);

  bool Mp4() const { return format_->videoCodec == AV_CODEC_ID_H264; }
  bool Vp9() const { return format_->videoCodec == AV_CODEC_ID_VP9; }
  bool Web() const { return Mp4() || Vp9(); }
  bool OpenH264(AVCodecContext* c, Options& options) const;
  bool OpenVp9(AVCodecContext* c, Options& options) const;

  const DiscFormat* format_ = &kFormats[0];
  const NtscSize* ntsc_ = nullptr;  // null for PAL
  double quality_ = 1.0;
  bool exactEnd_ = false;
  int webRate_ = kMp4FramesPerSecond;
  std::vector<MediaChapter> chapters_;
  WriteFailure failure_;
  std::unique_ptr<Session> s_;  // while a file is open
  // Used by ConvertAhead only, on the thread that draws. The pool hands
  // out the frames' memory; a frame's goes back when the encoder is done
  // with it, whichever thread that is on.
  mutable AvPtr<SwsContext> aheadScaler_;
  AvPtr<AVBufferPool> aheadFrames_;
};

}  // namespace sonavix::ffmpeg_writer
