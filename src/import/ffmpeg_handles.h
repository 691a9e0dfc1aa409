#pragma once
// FFmpeg's objects for reading, each freed by its own function whatever
// way a reader leaves.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <memory>

namespace sonavix::import {

struct FreeAv {
  void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
  void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
  void operator()(AVFrame* p) const { av_frame_free(&p); }
  void operator()(AVPacket* p) const { av_packet_free(&p); }
  void operator()(SwrContext* p) const { swr_free(&p); }
};
template <class T>
using AvPtr = std::unique_ptr<T, FreeAv>;

// Opens a file for reading, its streams looked into; null if FFmpeg finds
// no format in it. `error` gets FFmpeg's code.
AvPtr<AVFormatContext> OpenInput(const std::string& path, int& error);

}  // namespace sonavix::import
