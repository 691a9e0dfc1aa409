#include "import/ffmpeg_audio_decoder.h"

extern "C" {
#include <libavutil/encryption_info.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>

#include "import/ffmpeg_handles.h"
#include "import/sample_sink.h"
#include "import/tag_reader.h"

namespace sonavix {

namespace {

using import::AvPtr;

constexpr std::int64_t kMostBytes = std::numeric_limits<std::int32_t>::max();
// A stream this much shorter than its container says has lost its end.
constexpr double kShortfallSeconds = 0.5;
constexpr double kShortfallShare = 0.01;
// Packets the decoder refuses before the file counts as unreadable.
constexpr int kBadPacketsAtMost = 100;
using Kind = ImportProblem::Kind;

std::optional<WaveData> Refuse(ImportReport& report, ImportProblem problem) {
  report.problem = std::move(problem);
  return std::nullopt;
}

std::optional<WaveData> Refuse(ImportReport& report, Kind kind) { return Refuse(report, ImportProblem::Of(kind)); }

const AVStream* FirstAudioStream(const AVFormatContext& input) {
  for (unsigned i = 0; i < input.nb_streams; ++i)
    if (input.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) return input.streams[i];
  return nullptr;
}

// Encrypted tracks: common encryption (CENC) announces itself in the
// stream's side data, the old iTunes protection by its sample entry.
bool Encrypted(const AVStream& stream) {
  const std::uint32_t tag = stream.codecpar->codec_tag;
  if (tag == MKTAG('d', 'r', 'm', 's') || tag == MKTAG('e', 'n', 'c', 'a')) return true;
  for (int i = 0; i < stream.nb_side_data; ++i)
    if (stream.side_data[i].type == AV_PKT_DATA_ENCRYPTION_INIT_INFO) return true;
  return av_dict_get(stream.metadata, "encryption", nullptr, 0) != nullptr;
}

// How long the container says the stream is; below 0 when it does not.
double DeclaredSeconds(const AVFormatContext& input, const AVStream& stream) {
  if (stream.duration > 0 && stream.time_base.den > 0) return double(stream.duration) * av_q2d(stream.time_base);
  if (input.duration > 0) return double(input.duration) / AV_TIME_BASE;
  return -1;
}

SourceSound SourceOf(const AVCodecContext& decoder) {
  SourceSound source;
  source.rate = decoder.sample_rate;
  source.channels = decoder.ch_layout.nb_channels;
  const auto format = av_get_packed_sample_fmt(decoder.sample_fmt);
  source.floating = format == AV_SAMPLE_FMT_FLT || format == AV_SAMPLE_FMT_DBL;
  source.bits = av_get_bytes_per_sample(format) * 8;
  if ((format == AV_SAMPLE_FMT_S32 || format == AV_SAMPLE_FMT_S64) && decoder.bits_per_raw_sample > 16 &&
      decoder.bits_per_raw_sample < source.bits)
    source.bits = decoder.bits_per_raw_sample;
  return source;
}

// The document holds at most 2 GiB of samples: at 44 100 Hz stereo, 3 hours
// 22 minutes.
ImportProblem TooLong(double seconds, int rate, int channels) {
  ImportProblem problem = ImportProblem::Of(ImportProblem::Kind::TooLong, seconds);
  problem.rate = rate;
  problem.channels = channels;
  problem.most = double(kMostBytes / (std::int64_t{std::max(rate, 1)} * 2 * channels));
  return problem;
}

// The reading of one file: its streams, its decoder, and where the
// samples go.
class Reading {
 public:
  explicit Reading(AVCodecContext& decoder) : decoder_(decoder) {}

  // Decodes the packets of one, converting each frame as it comes.
  int Decode(const AVPacket* packet) {
    const int sent = avcodec_send_packet(&decoder_, packet);
    if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_EOF) return ++badPackets_ > kBadPacketsAtMost ? sent : 0;
    while (avcodec_receive_frame(&decoder_, frame_.get()) == 0) {
      if (!sink_) {
        source_ = SourceOf(decoder_);
        source_.rate = frame_->sample_rate;
        source_.channels = frame_->ch_layout.nb_channels;
        target_ = ChooseTarget(source_);
        sink_.emplace(target_);
        if (reserveSeconds_ > 0) sink_->Reserve(std::int64_t(std::ceil(reserveSeconds_ * target_.rate)) + target_.rate / 10);
      }
      const bool added = sink_->Add(*frame_);
      av_frame_unref(frame_.get());
      if (!added) return sink_->TooLong() ? AVERROR(ERANGE) : AVERROR_INVALIDDATA;
    }
    return 0;
  }

  void ReserveFor(double seconds) { reserveSeconds_ = seconds; }
  SampleSink* Sink() { return sink_ ? &*sink_ : nullptr; }
  const SourceSound& Source() const { return source_; }
  const TargetSound& Target() const { return target_; }
  double SecondsRead() const { return sink_ && target_.rate > 0 ? double(sink_->Frames()) / target_.rate : 0; }

 private:
  AVCodecContext& decoder_;
  AvPtr<AVFrame> frame_{av_frame_alloc()};
  std::optional<SampleSink> sink_;
  SourceSound source_;
  TargetSound target_;
  double reserveSeconds_ = -1;
  int badPackets_ = 0;
};

// Messages of the reading contexts (demultiplexers, decoders, the
// resampler) are dropped; everything else goes on as before.
void DropReadingMessages(void* object, int level, const char* format, va_list arguments) {
  const AVClass* cls = object ? *static_cast<AVClass**>(object) : nullptr;
  if (cls && std::strcmp(cls->class_name, "AVFormatContext") == 0 && static_cast<AVFormatContext*>(object)->iformat) return;
  if (cls && std::strcmp(cls->class_name, "AVCodecContext") == 0 &&
      av_codec_is_decoder(static_cast<AVCodecContext*>(object)->codec))
    return;
  if (cls && std::strcmp(cls->class_name, "SWResampler") == 0) return;
  av_log_default_callback(object, level, format, arguments);
}

}  // namespace

void QuietReadingLogs() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_callback(DropReadingMessages); });
}

FfmpegAudioDecoder::FfmpegAudioDecoder(std::function<void(double)> progress, std::function<bool()> stop)
    : progress_(std::move(progress)), stop_(std::move(stop)) {
  QuietReadingLogs();
}

SoundTags FfmpegAudioDecoder::ReadTags(const std::string& path) { return ReadSoundTags(path); }

std::optional<WaveData> FfmpegAudioDecoder::Decode(const std::string& path, ImportReport& report) {
  int error = 0;
  const AvPtr<AVFormatContext> input = import::OpenInput(path, error);
  if (!input) return Refuse(report, Kind::NotASoundFile);
  report.tags = TagsOf(*input);
  const AVStream* stream = FirstAudioStream(*input);
  if (!stream) return Refuse(report, Kind::NoSoundTrack);
  if (Encrypted(*stream)) return Refuse(report, Kind::Encrypted);
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) {
    ImportProblem unknown = ImportProblem::Of(Kind::UnknownCodec);
    unknown.codec = avcodec_get_name(stream->codecpar->codec_id);
    return Refuse(report, unknown);
  }
  const AvPtr<AVCodecContext> decoder(avcodec_alloc_context3(codec));
  if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0) throw std::bad_alloc();
  decoder->pkt_timebase = stream->time_base;
  decoder->thread_count = 0;  // as many as the machine has, where the codec can
  if (avcodec_open2(decoder.get(), codec, nullptr) < 0 || decoder->sample_rate <= 0 ||
      decoder->ch_layout.nb_channels <= 0)
    return Refuse(report, Kind::CannotDecode);

  // What the container announces is checked before a sample is decoded.
  const double declared = DeclaredSeconds(*input, *stream);
  const int channels = decoder->ch_layout.nb_channels > 1 ? 2 : 1;
  const int rate = EditorRate(decoder->sample_rate);
  if (declared > 0 && std::ceil(declared * rate) * channels * 2 > double(kMostBytes))
    return Refuse(report, TooLong(declared, rate, channels));

  Reading reading(*decoder);
  reading.ReserveFor(declared);
  const AvPtr<AVPacket> packet(av_packet_alloc());
  const std::int64_t fileBytes = input->pb ? avio_size(input->pb) : -1;
  bool damaged = false;
  for (int read = 0; (read = av_read_frame(input.get(), packet.get())) != AVERROR_EOF;) {
    if (read < 0) {
      damaged = true;
      break;
    }
    const bool ours = packet->stream_index == stream->index;
    // Common encryption shows on the packets themselves.
    if (ours && av_packet_get_side_data(packet.get(), AV_PKT_DATA_ENCRYPTION_INFO, nullptr))
      return Refuse(report, Kind::Encrypted);
    const int decoded = ours ? reading.Decode(packet.get()) : 0;
    av_packet_unref(packet.get());
    if (decoded == AVERROR(ERANGE)) break;
    if (decoded < 0) {
      damaged = true;
      break;
    }
    if (stop_ && stop_()) {
      report.stopped = true;
      return std::nullopt;
    }
    if (progress_ && fileBytes > 0) progress_(std::clamp(double(avio_tell(input->pb)) / double(fileBytes), 0.0, 1.0));
  }
  reading.Decode(nullptr);  // what the decoder still holds
  SampleSink* sink = reading.Sink();
  if (sink && !sink->TooLong()) sink->Finish();
  if (sink && sink->TooLong())
    return Refuse(report, TooLong(std::max(declared, reading.SecondsRead()), rate, channels));
  if (!sink || sink->Frames() == 0) return Refuse(report, Kind::NoSound);

  const double seconds = reading.SecondsRead();
  if (declared > 0 && seconds < declared - std::max(kShortfallSeconds, kShortfallShare * declared)) {
    report.shortfall = ImportProblem::Of(Kind::EndsEarly, seconds);
    report.shortfall.declared = declared;
  } else if (damaged) {
    report.shortfall = ImportProblem::Of(Kind::Damaged, seconds);
  }
  report.conversion = ConversionText(reading.Source(), reading.Target());
  WaveData wave;
  wave.format = sink->Format();
  wave.block = sink->Take();
  if (progress_) progress_(1.0);
  return wave;
}

}  // namespace sonavix
