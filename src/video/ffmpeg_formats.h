#pragma once
// What each format asks of the FFmpeg encoders and multiplexer: the disc
// formats (PAL, with what NTSC changes of them) and MP4 for the web. Read
// by the FFmpeg media writer only.

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>

namespace sonavix::ffmpeg_formats {

constexpr int kPalGopFrames = 15;   // 0.6 s
constexpr int kNtscGopFrames = 18;  // about 0.6 s
constexpr int kMaxDelayMicroseconds = 700'000;
constexpr int kIoBufferBytes = 64 * 1024;

// What a format asks of the encoders and the multiplexer (discs: PAL).
struct DiscFormat {
  const char* muxer;
  AVCodecID videoCodec;
  int width, height;
  AVRational pixelAspect;                  // makes the picture fill a 4:3 screen
  std::int64_t bitRate, maxRate, minRate;  // video, bit/s
  int bufferBits;
  bool scanOffset;
  AVCodecID audioCodec;
  int audioRate;
  std::int64_t audioBitRate;
  int packetSize;
  int muxRate;  // bit/s; 0 lets the multiplexer work it out
  int preload;  // µs
};

// clang-format off
constexpr DiscFormat kFormats[] = {
    // Video-CD
    {"vcd", AV_CODEC_ID_MPEG1VIDEO, 352, 288, {12, 11},
     1'150'000, 1'150'000, 1'150'000, 327'680, false,
     AV_CODEC_ID_MP2, 44'100, 224'000, 2324, 1'411'200, 440'000},
    // Super Video CD
    {"svcd", AV_CODEC_ID_MPEG2VIDEO, 480, 576, {8, 5},
     2'040'000, 2'516'000, 0, 1'835'008, true,
     AV_CODEC_ID_MP2, 44'100, 224'000, 2324, 0, 500'000},
    // DVD
    {"dvd", AV_CODEC_ID_MPEG2VIDEO, 720, 576, {16, 15},
     6'000'000, 9'000'000, 0, 1'835'008, false,
     AV_CODEC_ID_AC3, 48'000, 448'000, 2048, 10'080'000, 500'000},
    // MP4 720p and 1080p: H.264 at constant quality (no maximum rate, see
    // OpenH264), square pixels.
    {"mp4", AV_CODEC_ID_H264, 1280, 720, {1, 1},
     0, 0, 0, 0, false,
     AV_CODEC_ID_AAC, 48'000, 192'000, 0, 0, 0},
    {"mp4", AV_CODEC_ID_H264, 1920, 1080, {1, 1},
     0, 0, 0, 0, false,
     AV_CODEC_ID_AAC, 48'000, 192'000, 0, 0, 0},
    // Square and upright for social video, 1440p and 2160p for big screens.
    {"mp4", AV_CODEC_ID_H264, 1080, 1080, {1, 1},
     0, 0, 0, 0, false,
     AV_CODEC_ID_AAC, 48'000, 192'000, 0, 0, 0},
    {"mp4", AV_CODEC_ID_H264, 1080, 1920, {1, 1},
     0, 0, 0, 0, false,
     AV_CODEC_ID_AAC, 48'000, 192'000, 0, 0, 0},
    {"mp4", AV_CODEC_ID_H264, 2560, 1440, {1, 1},
     0, 0, 0, 0, false,
     AV_CODEC_ID_AAC, 48'000, 192'000, 0, 0, 0},
    {"mp4", AV_CODEC_ID_H264, 3840, 2160, {1, 1},
     0, 0, 0, 0, false,
     AV_CODEC_ID_AAC, 48'000, 192'000, 0, 0, 0},
    // WebM with alpha, to lay over footage in a video editor: VP9 at
    // constant quality, Opus.
    {"webm", AV_CODEC_ID_VP9, 1920, 1080, {1, 1},
     0, 12'000'000, 0, 24'000'000, false,
     AV_CODEC_ID_OPUS, 48'000, 192'000, 0, 0, 0},
};
constexpr int kMp4FramesPerSecond = 30;
constexpr int kMp4GopSeconds = 2;  // a key frame every two seconds
// clang-format on

// What NTSC changes of the formats above: fewer lines, a pixel shape that
// still fills a 4:3 screen, 30000/1001 pictures per second.
struct NtscSize {
  int height;
  AVRational pixelAspect;
};
constexpr NtscSize kNtsc[] = {{240, {200, 219}}, {480, {4, 3}}, {480, {8, 9}}};

}  // namespace sonavix::ffmpeg_formats
