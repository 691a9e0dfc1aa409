// Times one MPEG export the way the program makes it: the run over the whole
// sound with a picture of the video frame's size per block, the export's
// clock, and the FFmpeg media writer at quality 1. bench/export_bench.sh
// runs it for the three disc formats against the ffmpeg command-line tool.
//
//   export_bench song.wav PRESET out.mpg|out.mp4   (PRESET: vcd, dvd-ntsc, mp4-1080p, ...)
//
// Prints "seconds <wall time>" and "blocks <n>"; exits 1 if the
// export fails.

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "document/audio_document.h"
#include "document/sound_files.h"
#include "playback/run.h"
#include "playback/virtual_sound_device.h"
#include "export/export_session.h"
#include "export/presets.h"
#include "video/frame_renderer.h"
#include "video/media_writer.h"
#include "video/picture_font.h"
#include "texts/failure_texts.h"

namespace {

using Clock = std::chrono::steady_clock;

// A window that shows nothing, with the program's text line.
class QuietHost final : public sonavix::RunHost {
 public:
  explicit QuietHost(const sonavix::AudioDocument& doc)
      : doc_(doc), font_(sonavix::DefaultPictureFont()) {}
  const sonavix::AudioDocument& Document() const override { return doc_; }
  bool StopRequested() const override { return false; }
  bool LoopChecked() const override { return false; }
  void MoveCursor(std::int64_t) override {}
  QString PictureText() const override { return QStringLiteral("Sonavix"); }
  QFont PictureFont() const override { return font_; }
  void ShowPicture(const QImage&) override {}

 private:
  const sonavix::AudioDocument& doc_;
  QFont font_;
};

}  // namespace

int main(int argc, char** argv) {
  const sonavix::ExportPreset* preset = argc == 4 ? sonavix::FindPreset(argv[2]) : nullptr;
  if (!preset) {
    std::fprintf(stderr, "usage: export_bench song.wav PRESET out (a preset of sonavix --list-presets)\n");
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);  // the text line needs fonts

  sonavix::AudioDocument doc;
  if (!sonavix::OpenSoundFile(doc, argv[1], nullptr)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  QuietHost host(doc);
  sonavix::VirtualSoundDevice device;
  if (!device.Open()) return 1;

  const Clock::time_point start = Clock::now();
  std::unique_ptr<sonavix::MediaWriter> writer = sonavix::CreateMediaWriter("ffmpeg");
  sonavix::ExportSession session(*writer, preset->disc, preset->tv, 1.0);
  sonavix::FrameRenderer renderer(session.FrameWidth(), session.FrameHeight());
  if (!session.Open(argv[3], sonavix::BlocksInRun(doc) * sonavix::kBlockFrames)) {
    std::fprintf(stderr, "%s\n", sonavix::WriteFailureText(session.WriterFailure(), preset->disc).c_str());
    return 1;
  }
  const std::int64_t blocks = sonavix::RunBlocks(host, device, renderer, &session.Sink());
  if (!session.Finish()) {
    std::fprintf(stderr, "%s\n", sonavix::WriteFailureText(session.WriterFailure(), preset->disc).c_str());
    return 1;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("seconds %.3f\nblocks %lld\n", seconds, static_cast<long long>(blocks));
  return 0;
}
