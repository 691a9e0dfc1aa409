#include "video/ffmpeg_media_writer.h"

#include "video/ffmpeg_writer_parts.h"
#include "video/yuv_conversion.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace sonavix {

namespace ffmpeg_writer {

// Sound packets kept back in MP4 until the end: more than the encoder's
// delay and the silence that fills its last frame take.
constexpr std::size_t kHeldSoundPackets = 8;

// A picture converted ahead: a frame of its own, whose planes lie one after
// another in one buffer from the pool, each row and plane starting on 64
// bytes as in the frames libavutil allocates. The encoder takes it as it
// is, without a copy.
namespace {
constexpr std::size_t kPlaneAlign = 64;
struct PlaneLayout {
  std::uint8_t* planes[4] = {};
  int strides[4] = {};
  std::size_t size = 0;
};
PlaneLayout PlanesOf(int width, int height, bool alpha, std::uint8_t* base) {
  const auto up = [](std::size_t n) { return (n + kPlaneAlign - 1) / kPlaneAlign * kPlaneAlign; };
  const int widths[4] = {width, (width + 1) / 2, (width + 1) / 2, alpha ? width : 0};
  const int heights[4] = {height, (height + 1) / 2, (height + 1) / 2, alpha ? height : 0};
  PlaneLayout layout;
  std::size_t offset = 0;
  if (base) offset = up(reinterpret_cast<std::uintptr_t>(base)) - reinterpret_cast<std::uintptr_t>(base);
  for (int i = 0; i < 4; ++i) {
    layout.strides[i] = static_cast<int>(up(std::size_t(widths[i])));
    if (base && widths[i]) layout.planes[i] = base + offset;
    offset += std::size_t(layout.strides[i]) * heights[i];
  }
  layout.size = offset + kPlaneAlign;  // room to align the start
  return layout;
}

struct ConvertedFrame final : ConvertedImage {
  AvPtr<AVFrame> frame{av_frame_alloc()};
};
}  // namespace

bool FfmpegMediaWriter::SetFileName(const std::string& path) {
  s_.reset();
  failure_ = {};
  if (path.empty() || !StartFile(path) || !OpenVideo() || !OpenAudio() || !WriteHeader())
    return Fail(WriteFailure::Stage::Create);
  const auto size = PlanesOf(FrameWidth(), FrameHeight(), Vp9(), nullptr).size;
  aheadFrames_.reset(av_buffer_pool_init(size, nullptr));
  return true;
}

bool FfmpegMediaWriter::WriteImage(const MediaImage& image) {
  if (!s_) return NotOpen();
  if (!image.pixels || image.width <= 0 || image.height <= 0 ||
      image.bytesPerLine < 4 * image.width || !ConvertPicture(image))
    return Fail(WriteFailure::Stage::Write);
  s_->video.frame->pts = s_->video.next++;
  return Encode(s_->video, s_->video.frame.get()) || Fail(WriteFailure::Stage::Write);
}

// The frame still holds the last picture converted.
bool FfmpegMediaWriter::RepeatImage() {
  if (!s_) return NotOpen();
  if (s_->video.next == 0) return Fail(WriteFailure::Stage::Write);
  s_->video.frame->pts = s_->video.next++;
  return Encode(s_->video, s_->video.frame.get()) || Fail(WriteFailure::Stage::Write);
}

std::unique_ptr<ConvertedImage> FfmpegMediaWriter::ConvertAhead(const MediaImage& image) const {
  if (!aheadFrames_ || !image.pixels || image.width <= 0 || image.height <= 0 ||
      image.bytesPerLine < 4 * image.width)
    return nullptr;
  auto converted = std::make_unique<ConvertedFrame>();
  AVFrame* frame = converted->frame.get();
  if (!frame || !(frame->buf[0] = av_buffer_pool_get(aheadFrames_.get()))) return nullptr;
  frame->format = Vp9() ? AV_PIX_FMT_YUVA420P : AV_PIX_FMT_YUV420P;
  frame->width = FrameWidth();
  frame->height = FrameHeight();
  const PlaneLayout layout = PlanesOf(frame->width, frame->height, Vp9(), frame->buf[0]->data);
  std::copy(std::begin(layout.planes), std::end(layout.planes), frame->data);
  std::copy(std::begin(layout.strides), std::end(layout.strides), frame->linesize);
  if (!ConvertInto(image, aheadScaler_, frame->width, frame->height, frame->data, frame->linesize)) return nullptr;
  return converted;
}

// The frame stays as the last picture, for RepeatImage: a second reference
// to the same memory, not a copy.
bool FfmpegMediaWriter::WriteConverted(std::unique_ptr<ConvertedImage> picture) {
  if (!s_) return NotOpen();
  auto* converted = dynamic_cast<ConvertedFrame*>(picture.get());
  AVFrame* frame = s_->video.frame.get();
  if (!converted) return Fail(WriteFailure::Stage::Write);
  av_frame_unref(frame);
  if (av_frame_ref(frame, converted->frame.get()) < 0) return Fail(WriteFailure::Stage::Write);
  frame->pts = s_->video.next++;
  return Encode(s_->video, frame) || Fail(WriteFailure::Stage::Write);
}

bool FfmpegMediaWriter::WriteSound(const MediaSound& sound) {
  if (!s_) return NotOpen();
  if (sound.frames == 0) return true;
  if (sound.frames < 0 || !sound.samples || !PrepareResampler(sound.rate, sound.channels))
    return Fail(WriteFailure::Stage::Write);
  const std::uint8_t* input[] = {reinterpret_cast<const std::uint8_t*>(sound.samples)};
  return (QueueSound(input, sound.frames) && EncodeQueuedSound(false)) || Fail(WriteFailure::Stage::Write);
}

bool FfmpegMediaWriter::WriteClose() {
  if (!s_) return NotOpen();
  const bool finished = EndTracksTogether() && Encode(s_->video, nullptr) &&
                        Encode(s_->audio, nullptr) && WriteHeldSound() &&
                        av_write_trailer(s_->muxer.get()) >= 0 && s_->io->error >= 0;
  if (!finished || !s_->file.Commit()) return Fail(WriteFailure::Stage::Write);
  s_.reset();
  return true;
}

bool FfmpegMediaWriter::ConvertPicture(const MediaImage& image) {
  AVFrame* frame = s_->video.frame.get();
  return av_frame_make_writable(frame) >= 0 &&
         ConvertInto(image, s_->scaler, frame->width, frame->height, frame->data, frame->linesize);
}

bool FfmpegMediaWriter::ConvertInto(const MediaImage& image, AvPtr<SwsContext>& scaler, int width, int height,
                                    std::uint8_t* const planes[4], const int strides[4]) const {
  const bool alpha = Vp9();
  // The pictures come at the frame's size: converted in the wide builds,
  // without the scaler. The discs get the scaler's bytes all the same.
  if (image.width == width && image.height == height) {
    if (Web()) {
      ConvertToYuv420(image, planes, strides, alpha);
      return true;
    }
    if (!alpha && width % 2 == 0 && height % 2 == 0) {
      ConvertToDiscYuv420(image, planes, strides);
      return true;
    }
  }
  scaler.reset(sws_getCachedContext(scaler.release(), image.width, image.height,
                                    alpha ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR0, width, height,
                                    alpha ? AV_PIX_FMT_YUVA420P : AV_PIX_FMT_YUV420P,
                                    SWS_AREA | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr));
  if (!scaler) return false;
  const std::uint8_t* rows[] = {image.pixels};
  const int stride[] = {image.bytesPerLine};
  return sws_scale(scaler.get(), rows, stride, 0, image.height, planes, strides) == height;
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
  for (std::int64_t extra = 0; !exactEnd_ && !Web() && s_->video.next > 0 && extra < 8; ++extra) {
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
    if (&track == &s_->audio && Web()) {
      AvPtr<AVPacket> held(av_packet_alloc());
      if (!held) return false;
      av_packet_move_ref(held.get(), packet);
      s_->heldSound.push_back(std::move(held));
      // Far enough from the end: out with the oldest.
      if (s_->heldSound.size() > kHeldSoundPackets) {
        if (!WritePacket(track, s_->heldSound.front().get())) return false;
        s_->heldSound.pop_front();
      }
      continue;
    }
    if (!WritePacket(track, packet)) return false;
  }
}

bool FfmpegMediaWriter::WritePacket(Track& track, AVPacket* packet) {
  av_packet_rescale_ts(packet, track.codec->time_base, track.stream->time_base);
  packet->stream_index = track.stream->index;
  if (&track == &s_->audio) s_->soundWritten = true;
  return av_interleaved_write_frame(s_->muxer.get(), packet) >= 0;
}

// The sound's last packet ends where the last picture does: the encoder's
// last frame is mostly the silence that fills it up, and the players and
// tools take a track's length from its last packet's end (the priming
// samples at the start are skipped by the edit list the muxer writes).
bool FfmpegMediaWriter::WriteHeldSound() {
  const AVCodecContext& c = *s_->audio.codec;
  const VideoRate rate = FrameRate();
  const std::int64_t picturesEnd = s_->video.next * c.sample_rate * rate.den / rate.num;
  for (std::size_t i = 0; i < s_->heldSound.size(); ++i) {
    AVPacket* packet = s_->heldSound[i].get();
    // A track keeps at least one packet.
    if (s_->video.next > 0 && packet->pts >= picturesEnd && (i > 0 || s_->soundWritten)) break;
    if (s_->video.next > 0 && packet->pts < picturesEnd && packet->pts + packet->duration > picturesEnd)
      packet->duration = picturesEnd - packet->pts;
    if (!WritePacket(s_->audio, packet)) return false;
  }
  s_->heldSound.clear();
  return true;
}

bool FfmpegMediaWriter::NotOpen() {
  if (!failure_.failed()) failure_.stage = WriteFailure::Stage::Write;
  return false;
}

// Gives up the file: the session goes, and with it the unfinished file.
// What the system said is kept with the stage.
bool FfmpegMediaWriter::Fail(WriteFailure::Stage stage) {
  failure_ = {stage, s_ ? s_->file.LastError() : 0};
  s_.reset();
  return false;
}

}  // namespace ffmpeg_writer

std::unique_ptr<MediaWriter> CreateFfmpegMediaWriter() {
  // The libraries' reports of their work (x264's statistics, the MP4
  // muxer's second pass) are not for the user; their errors are.
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });
  return std::make_unique<ffmpeg_writer::FfmpegMediaWriter>();
}

}  // namespace sonavix
