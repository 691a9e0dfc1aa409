#include "video/ffmpeg_media_writer.h"

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
#include <cstring>
#include <mutex>
#include <thread>

#include "document/safe_file.h"
#include "video/ffmpeg_formats.h"

namespace sonavix {

namespace {

using namespace ffmpeg_formats;

constexpr char kCannotCreate[] = "Konnte MPEG-Datei nicht anlegen";
constexpr char kCannotWrite[] = "Konnte MPEG-Datei nicht schreiben";

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
int WriteToFile(void* opaque, std::uint8_t* data, int size) {
  auto* file = static_cast<SafeFileWriter*>(opaque);
  if (size > 0 && !file->WriteAll(data, static_cast<std::size_t>(size)))
    return AVERROR(file->LastError());
  return 0;
}

std::int64_t SeekInFile(void* opaque, std::int64_t offset, int whence) {
  const int fd = static_cast<SafeFileWriter*>(opaque)->fd();
  if (whence & AVSEEK_SIZE) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? st.st_size : AVERROR(errno);
  }
  const off_t at = ::lseek(fd, offset, whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : at;
}

AvPtr<AVFrame> MakeAudioFrame(const AVCodecContext& codec, int samples) {
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
    if (Mp4()) return VideoRate(kMp4FramesPerSecond);
    return ntsc_ ? VideoRate(30000, 1001) : VideoRate(25);
  }
  void SetQuality(double quality) override {
    quality_ = std::isnan(quality) ? 1.0 : std::clamp(quality, 0.0, 1.0);
  }
  void SetExactEnd(bool exact) override { exactEnd_ = exact; }
  bool SetFileName(const std::string& path) override;
  bool WriteImage(const MediaImage& image) override;
  bool RepeatImage() override;
  bool WriteSound(const MediaSound& sound) override;
  bool WriteClose() override;
  const std::string& Error() const override { return error_; }

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
  bool WriteHeader();
  std::int64_t VideoBitRate() const;
  bool ConvertPicture(const MediaImage& image);
  bool PrepareResampler(int rate, int channels);
  bool QueueSound(const std::uint8_t** input, int frames);
  bool EndTracksTogether();
  bool EncodeQueuedSound(bool finish);
  bool Encode(Track& track, const AVFrame* frame);
  bool NotOpen();
  bool Fail(const char* message);

  bool Mp4() const { return format_->videoCodec == AV_CODEC_ID_H264; }
  bool OpenH264(AVCodecContext* c, Options& options) const;

  const DiscFormat* format_ = &kFormats[0];
  const NtscSize* ntsc_ = nullptr;  // null for PAL
  double quality_ = 1.0;
  bool exactEnd_ = false;
  std::string error_;
  std::unique_ptr<Session> s_;  // while a file is open
};

bool FfmpegMediaWriter::SetFileName(const std::string& path) {
  s_.reset();
  error_.clear();
  if (path.empty() || !StartFile(path) || !OpenVideo() || !OpenAudio() || !WriteHeader())
    return Fail(kCannotCreate);
  return true;
}

bool FfmpegMediaWriter::WriteImage(const MediaImage& image) {
  if (!s_) return NotOpen();
  if (!image.pixels || image.width <= 0 || image.height <= 0 ||
      image.bytesPerLine < 4 * image.width || !ConvertPicture(image))
    return Fail(kCannotWrite);
  s_->video.frame->pts = s_->video.next++;
  return Encode(s_->video, s_->video.frame.get()) || Fail(kCannotWrite);
}

// The frame still holds the last picture converted.
bool FfmpegMediaWriter::RepeatImage() {
  if (!s_) return NotOpen();
  if (s_->video.next == 0) return Fail(kCannotWrite);
  s_->video.frame->pts = s_->video.next++;
  return Encode(s_->video, s_->video.frame.get()) || Fail(kCannotWrite);
}

bool FfmpegMediaWriter::WriteSound(const MediaSound& sound) {
  if (!s_) return NotOpen();
  if (sound.frames == 0) return true;
  if (sound.frames < 0 || !sound.samples || !PrepareResampler(sound.rate, sound.channels))
    return Fail(kCannotWrite);
  const std::uint8_t* input[] = {reinterpret_cast<const std::uint8_t*>(sound.samples)};
  return (QueueSound(input, sound.frames) && EncodeQueuedSound(false)) || Fail(kCannotWrite);
}

bool FfmpegMediaWriter::WriteClose() {
  if (!s_) return NotOpen();
  const bool finished = EndTracksTogether() && Encode(s_->video, nullptr) &&
                        Encode(s_->audio, nullptr) &&
                        av_write_trailer(s_->muxer.get()) >= 0 && s_->io->error >= 0;
  if (!finished || !s_->file.Commit()) return Fail(kCannotWrite);
  s_.reset();
  return true;
}

bool FfmpegMediaWriter::StartFile(const std::string& path) {
  s_ = std::make_unique<Session>(path);
  if (!s_->file.ok()) return false;
  AVFormatContext* muxer = nullptr;
  if (avformat_alloc_output_context2(&muxer, nullptr, format_->muxer, nullptr) < 0) return false;
  s_->muxer.reset(muxer);
  auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
  if (!buffer) return false;
  // MP4 goes back to finish its boxes, and reads the file again to put its
  // index in front (fast start): it needs to seek, and the file's name.
  s_->io.reset(avio_alloc_context(buffer, kIoBufferBytes, 1, &s_->file, nullptr, WriteToFile,
                                  Mp4() ? SeekInFile : nullptr));
  if (!s_->io) {
    av_free(buffer);
    return false;
  }
  muxer->pb = s_->io.get();
  // No version strings or clock readings: the same input gives the same bytes.
  muxer->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_BITEXACT;
  if (format_->packetSize > 0) muxer->packet_size = static_cast<unsigned>(format_->packetSize);
  if (Mp4()) {
    muxer->url = av_strdup(s_->file.TempPath().c_str());
    if (!muxer->url) return false;
  }
  muxer->max_delay = kMaxDelayMicroseconds;
  s_->packet.reset(av_packet_alloc());
  return s_->packet != nullptr;
}

bool FfmpegMediaWriter::OpenVideo() {
  const AVCodec* codec =
      Mp4() ? avcodec_find_encoder_by_name("libx264") : avcodec_find_encoder(format_->videoCodec);
  if (!codec) return false;
  Track& video = s_->video;
  video.codec.reset(avcodec_alloc_context3(codec));
  AVCodecContext* c = video.codec.get();
  if (!c) return false;
  const VideoRate rate = FrameRate();
  c->width = FrameWidth();
  c->height = FrameHeight();
  c->sample_aspect_ratio = ntsc_ ? ntsc_->pixelAspect : format_->pixelAspect;
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  c->framerate = {static_cast<int>(rate.num), static_cast<int>(rate.den)};
  c->time_base = {static_cast<int>(rate.den), static_cast<int>(rate.num)};
  c->gop_size = ntsc_ ? kNtscGopFrames : kPalGopFrames;
  c->max_b_frames = 0;  // I and P frames only
  c->bit_rate = VideoBitRate();
  c->rc_max_rate = format_->maxRate;
  c->rc_min_rate = format_->minRate;
  c->rc_buffer_size = format_->bufferBits;
  // A slice per core. FFmpeg's automatic choice takes one thread more than
  // there are cores, which costs more in switching than it brings.
  c->thread_count = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  c->thread_type = FF_THREAD_SLICE;
  Options options;
  if (Mp4() && !OpenH264(c, options)) return false;
  if (format_->scanOffset) options.Set("scan_offset", 1);
  // MPEG-1 cannot code coefficients beyond 255, which edges between strong
  // colours reach when chroma moves unlike luma; choosing macroblocks by
  // rate and distortion keeps clear of them instead of clipping.
  if (format_->videoCodec == AV_CODEC_ID_MPEG1VIDEO) options.Set("mbd", 2);
  if (!OpenTrack(video, *codec, options)) return false;
  video.stream->avg_frame_rate = c->framerate;

  video.frame.reset(av_frame_alloc());
  if (!video.frame) return false;
  video.frame->format = c->pix_fmt;
  video.frame->width = c->width;
  video.frame->height = c->height;
  return av_frame_get_buffer(video.frame.get(), 0) >= 0;
}

// H.264 for the web: High profile, constant quality (quality 1: CRF 18,
// clean on a busy picture; quality 0: CRF 30, small) under the format's
// maximum rate and buffer, so that it streams; B-frames, but none used as
// a reference; a key frame every two seconds and nowhere else, so that players
// can seek evenly. x264 works on whole frames in threads of its own.
bool FfmpegMediaWriter::OpenH264(AVCodecContext* c, Options& options) const {
  c->gop_size = kMp4GopFrames;
  c->keyint_min = kMp4GopFrames;
  c->max_b_frames = -1;  // x264's choice
  c->bit_rate = 0;
  c->thread_type = FF_THREAD_FRAME;
  options.Set("profile", "high");
  options.Set("preset", "faster");
  options.Set("crf", std::llround(30 - 12 * quality_));
  // What browsers and phones decode in hardware: level 4.1 at most, and
  // B-frames that are never themselves referenced.
  options.Set("level", "4.1");
  options.Set("x264-params", "scenecut=0:open-gop=0:b-pyramid=none");
  return true;
}

// Quality moves the average video rate between half the format's usual
// rate and the usual rate, which quality 1 gets; the maximum rate and the
// buffer stay. Video-CD plays at one constant rate, whatever the quality.
std::int64_t FfmpegMediaWriter::VideoBitRate() const {
  if (format_->minRate == format_->maxRate) return format_->bitRate;
  return std::llround(static_cast<double>(format_->bitRate) * (0.5 + 0.5 * quality_));
}

bool FfmpegMediaWriter::OpenAudio() {
  const AVCodec* codec = avcodec_find_encoder(format_->audioCodec);
  if (!codec || !codec->sample_fmts) return false;
  Track& audio = s_->audio;
  audio.codec.reset(avcodec_alloc_context3(codec));
  AVCodecContext* c = audio.codec.get();
  if (!c) return false;
  c->sample_fmt = codec->sample_fmts[0];  // S16 for MP2, planar float for AC-3
  c->sample_rate = format_->audioRate;
  c->bit_rate = format_->audioBitRate;
  c->time_base = {1, format_->audioRate};
  const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  Options options;
  if (av_channel_layout_copy(&c->ch_layout, &stereo) < 0 || !OpenTrack(audio, *codec, options))
    return false;
  audio.frame = MakeAudioFrame(*c, c->frame_size);
  s_->queue.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, 4 * c->frame_size));
  return audio.frame && s_->queue;
}

bool FfmpegMediaWriter::OpenTrack(Track& track, const AVCodec& codec, Options& options) {
  AVCodecContext* c = track.codec.get();
  if (s_->muxer->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  c->flags |= AV_CODEC_FLAG_BITEXACT;
  if (avcodec_open2(c, &codec, &options.dict) < 0 || !options.AllTaken()) return false;
  track.stream = avformat_new_stream(s_->muxer.get(), nullptr);
  if (!track.stream) return false;
  track.stream->time_base = c->time_base;
  if (avcodec_parameters_from_context(track.stream->codecpar, c) < 0) return false;
  // The multiplexer takes the video buffer size from the stream's side data,
  // which the parameters above leave behind.
  for (int i = 0; i < c->nb_coded_side_data; ++i) {
    const AVPacketSideData& side = c->coded_side_data[i];
    std::uint8_t* copy = av_stream_new_side_data(track.stream, side.type, side.size);
    if (!copy) return false;
    std::memcpy(copy, side.data, side.size);
  }
  return true;
}

bool FfmpegMediaWriter::WriteHeader() {
  Options options;
  if (format_->muxRate > 0) options.Set("muxrate", format_->muxRate);
  if (format_->preload > 0) options.Set("preload", format_->preload);
  if (Mp4()) options.Set("movflags", "+faststart");
  return avformat_write_header(s_->muxer.get(), &options.dict) >= 0 && options.AllTaken();
}

// Same-size pictures only change colour: box-filtered chroma is right for
// that and twice as fast as the default filter.
bool FfmpegMediaWriter::ConvertPicture(const MediaImage& image) {
  AVFrame* frame = s_->video.frame.get();
  s_->scaler.reset(sws_getCachedContext(
      s_->scaler.release(), image.width, image.height, AV_PIX_FMT_BGR0, frame->width, frame->height,
      AV_PIX_FMT_YUV420P, SWS_AREA | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr));
  if (!s_->scaler || av_frame_make_writable(frame) < 0) return false;
  const std::uint8_t* rows[] = {image.pixels};
  const int stride[] = {image.bytesPerLine};
  return sws_scale(s_->scaler.get(), rows, stride, 0, image.height, frame->data, frame->linesize) ==
         frame->height;
}

// The resampler is set up for the first sound; the rest must match it.
bool FfmpegMediaWriter::PrepareResampler(int rate, int channels) {
  if (s_->resampler) return rate == s_->soundRate && channels == s_->soundChannels;
  if (rate <= 0 || channels < 1 || channels > 2) return false;
  AVChannelLayout layout{};
  av_channel_layout_default(&layout, channels);
  AVCodecContext* c = s_->audio.codec.get();
  SwrContext* resampler = nullptr;
  const int made = swr_alloc_set_opts2(&resampler, &c->ch_layout, c->sample_fmt, c->sample_rate,
                                       &layout, AV_SAMPLE_FMT_S16, rate, 0, nullptr);
  s_->resampler.reset(resampler);
  if (made < 0 || swr_init(resampler) < 0) return false;
  s_->soundRate = rate;
  s_->soundChannels = channels;
  return true;
}

// Resamples sound into the queue; no input drains the resampler.
bool FfmpegMediaWriter::QueueSound(const std::uint8_t** input, int frames) {
  const int room = swr_get_out_samples(s_->resampler.get(), frames);
  if (room <= 0) return room == 0;
  if (!s_->converted || s_->converted->nb_samples < room) {
    s_->converted = MakeAudioFrame(*s_->audio.codec, room);
    if (!s_->converted) return false;
  }
  std::uint8_t** data = s_->converted->data;
  const int made = swr_convert(s_->resampler.get(), data, room, input, frames);
  return made >= 0 &&
         av_audio_fifo_write(s_->queue.get(), reinterpret_cast<void**>(data), made) == made;
}

// The end of both tracks. The sound is drained from the resampler and
// followed by silence, at least as much as the encoder holds back (AC-3 and
// MP2 delay their output by `initial_padding` samples; the last samples
// written would never come out otherwise), in whole frames of the encoder.
// Then the two ends are put as close together as the frame grids allow,
// where the tools that judge the file see them within a picture: ffprobe
// and its kind take a track's end from the time stamp of its last packet
// (a sector) plus one frame, so they see the sound end early by the frames
// after the first in that sector (none or one of AC-3's long frames, up to
// two of MP2's short ones) and an MPEG-2 picture track sometimes one
// picture early. AC-3 therefore ends at or up to 8 ms before the pictures,
// MP2 12 to 26 ms after them; truly, the ends lie within a sound frame.
// Where the grids do not meet at once, the last picture stays a little
// longer over silence (at most seven pictures; at 25 pictures a second
// four are enough). At 30000/1001 an AC-3 frame is nearly a picture long
// and the two grids drift apart by only 1.4 ms a picture: where they do not
// meet within those pictures, the sound simply ends in its next whole
// frame, less than a frame after the pictures.
bool FfmpegMediaWriter::EndTracksTogether() {
  if (!s_->resampler) return true;  // no sound at all
  if (!QueueSound(nullptr, 0)) return false;
  const AVCodecContext& c = *s_->audio.codec;
  const std::int64_t frame = c.frame_size;
  const std::int64_t delay = std::max(c.initial_padding, 0);
  const std::int64_t fed = s_->audio.next + av_audio_fifo_size(s_->queue.get());
  const std::int64_t fewest = (fed + std::min(delay, frame) + frame - 1) / frame;
  // Sound samples per picture, and where picture n ends, in samples.
  const VideoRate rate = FrameRate();
  const std::int64_t perPicture = c.sample_rate * rate.den / rate.num;
  const auto pictureEnd = [&](std::int64_t n) { return n * c.sample_rate * rate.den / rate.num; };
  // How far the pictures' end may lie after the sound's, in samples.
  const bool shortFrames = c.codec_id == AV_CODEC_ID_MP2;
  const std::int64_t earliest = shortFrames ? -frame : 0;
  const std::int64_t latest = shortFrames ? perPicture - 2 * frame : perPicture - frame;

  std::int64_t frames = fewest;
  std::int64_t extraPictures = 0;
  // MP4 keeps every packet's time exactly: there the ends are where they
  // are, and nothing is held to meet a grid.
  for (std::int64_t extra = 0; !exactEnd_ && !Mp4() && s_->video.next > 0 && extra < 8; ++extra) {
    const std::int64_t picturesEnd = pictureEnd(s_->video.next + extra) + delay;
    const std::int64_t n = (picturesEnd - earliest) / frame;
    if (n >= fewest && picturesEnd - n * frame <= latest) {
      frames = n;
      extraPictures = extra;
      break;
    }
  }
  for (std::int64_t i = 0; i < extraPictures; ++i) {
    s_->video.frame->pts = s_->video.next++;
    if (!Encode(s_->video, s_->video.frame.get())) return false;
  }
  AVFrame* silence = s_->audio.frame.get();
  if (av_frame_make_writable(silence) < 0) return false;
  av_samples_set_silence(silence->data, 0, static_cast<int>(frame), c.ch_layout.nb_channels,
                         c.sample_fmt);
  for (std::int64_t missing = frames * frame - fed; missing > 0;) {
    const int n = static_cast<int>(std::min(missing, frame));
    if (av_audio_fifo_write(s_->queue.get(), reinterpret_cast<void**>(silence->data), n) != n)
      return false;
    missing -= n;
  }
  return EncodeQueuedSound(true);
}

// Sends the queued sound in frames of the encoder's size; at the finish the
// last, short frame is filled up with silence.
bool FfmpegMediaWriter::EncodeQueuedSound(bool finish) {
  AVAudioFifo* queue = s_->queue.get();
  AVFrame* frame = s_->audio.frame.get();
  const int size = s_->audio.codec->frame_size;
  while (av_audio_fifo_size(queue) >= size || (finish && av_audio_fifo_size(queue) > 0)) {
    if (av_frame_make_writable(frame) < 0) return false;
    const int taken = std::min(av_audio_fifo_size(queue), size);
    if (av_audio_fifo_read(queue, reinterpret_cast<void**>(frame->data), taken) != taken)
      return false;
    if (taken < size)
      av_samples_set_silence(frame->data, taken, size - taken, frame->ch_layout.nb_channels,
                             static_cast<AVSampleFormat>(frame->format));
    frame->pts = s_->audio.next;
    s_->audio.next += size;
    if (!Encode(s_->audio, frame)) return false;
  }
  return true;
}

// Sends one frame (none: the end) and writes every packet it gives back.
bool FfmpegMediaWriter::Encode(Track& track, const AVFrame* frame) {
  AVCodecContext* c = track.codec.get();
  AVPacket* packet = s_->packet.get();
  if (avcodec_send_frame(c, frame) < 0) return false;
  for (;;) {
    const int got = avcodec_receive_packet(c, packet);
    if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return true;
    if (got < 0) return false;
    av_packet_rescale_ts(packet, c->time_base, track.stream->time_base);
    packet->stream_index = track.stream->index;
    if (av_interleaved_write_frame(s_->muxer.get(), packet) < 0) return false;
  }
}

bool FfmpegMediaWriter::NotOpen() {
  if (error_.empty()) error_ = kCannotWrite;
  return false;
}

// Gives up the file: the session goes, and with it the unfinished file.
// Where the system said why, the sentence says it too.
bool FfmpegMediaWriter::Fail(const char* message) {
  error_ = message;
  const std::string reason = s_ ? WriteFailureReason(s_->file.LastError()) : std::string();
  if (!reason.empty()) error_ += ": " + reason;
  s_.reset();
  return false;
}

}  // namespace

std::unique_ptr<MediaWriter> CreateFfmpegMediaWriter() {
  // The libraries' reports of their work (x264's statistics, the MP4
  // muxer's second pass) are not for the user; their errors are.
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });
  return std::make_unique<FfmpegMediaWriter>();
}

}  // namespace sonavix
