// Setting up an FFmpeg media writer's file: the encoders of the preset
// (MPEG for the discs, H.264 and AAC for MP4), the multiplexer writing
// through the safe file beside the target, and the header.

#include "video/ffmpeg_writer_parts.h"

namespace sonavix::ffmpeg_writer {

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
                                  Web() ? SeekInFile : nullptr));
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
      Mp4()   ? avcodec_find_encoder_by_name("libx264")
      : Vp9() ? avcodec_find_encoder_by_name("libvpx-vp9")
              : avcodec_find_encoder(format_->videoCodec);
  if (!codec) return false;
  Track& video = s_->video;
  video.codec.reset(avcodec_alloc_context3(codec));
  AVCodecContext* c = video.codec.get();
  if (!c) return false;
  const VideoRate rate = FrameRate();
  c->width = FrameWidth();
  c->height = FrameHeight();
  c->sample_aspect_ratio = ntsc_ ? ntsc_->pixelAspect : format_->pixelAspect;
  c->pix_fmt = Vp9() ? AV_PIX_FMT_YUVA420P : AV_PIX_FMT_YUV420P;
  c->framerate = {static_cast<int>(rate.num), static_cast<int>(rate.den)};
  c->time_base = {static_cast<int>(rate.den), static_cast<int>(rate.num)};
  c->gop_size = ntsc_ ? kNtscGopFrames : kPalGopFrames;
  c->max_b_frames = 0;  // I and P frames only
  c->bit_rate = VideoBitRate();
  c->rc_max_rate = format_->maxRate;
  c->rc_min_rate = format_->minRate;
  c->rc_buffer_size = format_->bufferBits;
  // Two slices, each on a thread of its own, whatever the machine: the
  // slices shape the stream, so a count taken from the cores would give
  // other bytes on another machine.
  c->thread_count = kEncoderThreads;
  c->thread_type = FF_THREAD_SLICE;
  Options options;
  if (Mp4() && !OpenH264(c, options)) return false;
  if (Vp9() && !OpenVp9(c, options)) return false;
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

// H.264 for the web: High profile at constant quality, B-frames that are
// never themselves referenced, a key frame every two seconds and nowhere
// else, so that players can seek evenly. x264 works on whole frames in
// threads of its own.
//
// No maximum rate: x264's rate limit follows how far its frame threads
// have got, so a limited file would differ from run to run. The settings
// were chosen by measuring speed, SSIM against the drawn pictures and size
// on music (bench/web_speed_bench.sh): our pictures are flat circles over a
// slowly fading ground. The circles sit on whole pixels, so motion is
// searched to whole pixels only (no sub-pixel planes either: less memory);
// intra blocks of 4 x 4 only keep the circles' edges cleaner than 8 x 8;
// with fixed B-frames and no macroblock tree, this codes them as well as
// x264's slower presets did, in a third of the time.
namespace {

// The H.264 level for frames of this size at this rate: its macroblocks a
// frame and a second within the level's limits.
const char* H264Level(int width, int height, int rate) {
  const long blocks = long((width + 15) / 16) * ((height + 15) / 16);
  const struct {
    const char* name;
    long frame, second;
  } levels[] = {{"4.1", 8192, 245760}, {"4.2", 8704, 522240}, {"5.0", 22080, 589824},
                {"5.1", 36864, 983040}, {"5.2", 36864, 2073600}};
  for (const auto& level : levels)
    if (blocks <= level.frame && blocks * rate <= level.second) return level.name;
  return "5.2";
}

constexpr const char* kH264Params =
    "scenecut=0:open-gop=0:b-pyramid=none:b-adapt=0:bframes=2:me=dia:subme=0:partitions=i4x4:"
    "aq-mode=0:weightp=0:rc-lookahead=0:mbtree=0";

}  // namespace

bool FfmpegMediaWriter::OpenH264(AVCodecContext* c, Options& options) const {
  c->gop_size = kMp4GopSeconds * webRate_;
  c->keyint_min = kMp4GopSeconds * webRate_;
  c->max_b_frames = -1;  // as the parameters below say
  c->bit_rate = 0;
  // x264's frame threads shape its stream too: a fixed count, not the
  // cores, so that every machine writes the same bytes.
  c->thread_type = FF_THREAD_FRAME;
  c->thread_count = kX264Threads;
  options.Set("profile", "high");
  options.Set("preset", "veryfast");
  // Quality 1: CRF 26, as sharp as the slower settings at 18 were, in a
  // smaller file; quality 0: twelve steps more, small.
  options.Set("crf", std::llround(38 - 12 * quality_));
  // What browsers and phones decode in hardware: the lowest level the
  // picture size and rate need (4.1 up to 1080p30, 5.1 for 2160p30).
  options.Set("level", H264Level(c->width, c->height, webRate_));
  options.Set("x264-params", kH264Params);
  return true;
}

// VP9 with alpha: constant quality (quality 1: CRF 24, 0: CRF 40), the
// encoder's fast settings and rows in threads, a key frame every two
// seconds. The alpha plane goes as libvpx's second stream, which WebM
// carries beside the picture (alpha_mode).
bool FfmpegMediaWriter::OpenVp9(AVCodecContext* c, Options& options) const {
  c->gop_size = kMp4GopSeconds * webRate_;
  c->bit_rate = 0;
  c->rc_max_rate = 0;  // constant quality: libvpx takes no rate limits without a rate
  c->rc_buffer_size = 0;
  c->thread_count = kEncoderThreads;  // the same bytes on every machine
  c->thread_type = 0;
  options.Set("crf", std::llround(40 - 16 * quality_));
  options.Set("deadline", "realtime");
  options.Set("cpu-used", 8);
  options.Set("row-mt", 1);
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

// The muxers take their chapters from the context; it frees them with
// itself.
bool FfmpegMediaWriter::AddChapters() {
  if (!Web() || chapters_.empty()) return true;
  AVFormatContext* muxer = s_->muxer.get();
  auto* list = static_cast<AVChapter**>(av_calloc(chapters_.size(), sizeof(AVChapter*)));
  if (!list) return false;
  muxer->chapters = list;
  for (const MediaChapter& chapter : chapters_) {
    auto* c = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
    if (!c) return false;
    list[muxer->nb_chapters++] = c;
    c->id = muxer->nb_chapters;
    c->time_base = {1, MediaChapter::kRate};
    c->start = chapter.start;
    c->end = chapter.end;
    if (av_dict_set(&c->metadata, "title", chapter.title.c_str(), 0) < 0) return false;
  }
  return true;
}

bool FfmpegMediaWriter::WriteHeader() {
  if (!AddChapters()) return false;
  Options options;
  if (format_->muxRate > 0) options.Set("muxrate", format_->muxRate);
  if (format_->preload > 0) options.Set("preload", format_->preload);
  if (Mp4()) options.Set("movflags", "+faststart");
  return avformat_write_header(s_->muxer.get(), &options.dict) >= 0 && options.AllTaken();
}

// Same-size pictures only change colour: box-filtered chroma is right for
// that and twice as fast as the default filter.

}  // namespace sonavix::ffmpeg_writer
