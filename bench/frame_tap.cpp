// The pictures a render hands its encoder, before any loss: the song is set
// up and run as `sonavix --render` runs it, with a writer that encodes
// nothing and writes each picture to standard output as raw BGRA instead.
// The encoder benchmarks measure their outputs against these frames.
//
//   frame_tap song.wav PRESET | ffmpeg -f rawvideo -pix_fmt bgra -s WxH -r RATE -i - ...
//
// Prints "size WxH rate N/D" on standard error first.

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "export/export_job.h"
#include "export/presets.h"
#include "export/render_job.h"
#include "export/song_setup.h"
#include "video/media_writer.h"
#include "video/picture_font.h"
#include "video/random.h"

namespace {

// Takes the preset's geometry from the real writer, unopened, and writes
// the pictures out as they come.
class TapWriter final : public sonavix::MediaWriter {
 public:
  TapWriter() : geometry_(sonavix::CreateMediaWriter("ffmpeg-direct")) {}
  void SetFormatPreset(sonavix::DiscPreset preset, sonavix::TvSystem tv) override {
    geometry_->SetFormatPreset(preset, tv);
  }
  int FrameWidth() const override { return geometry_->FrameWidth(); }
  int FrameHeight() const override { return geometry_->FrameHeight(); }
  sonavix::VideoRate FrameRate() const override { return geometry_->FrameRate(); }
  void SetWebFrameRate(int rate) override { geometry_->SetWebFrameRate(rate); }
  void SetQuality(double) override {}
  bool SetFileName(const std::string&) override {
    const sonavix::VideoRate rate = FrameRate();
    std::fprintf(stderr, "size %dx%d rate %lld/%lld\n", FrameWidth(), FrameHeight(),
                 static_cast<long long>(rate.num), static_cast<long long>(rate.den));
    return true;
  }
  bool WriteImage(const sonavix::MediaImage& image) override {
    if (image.width != FrameWidth() || image.height != FrameHeight()) return false;
    last_.resize(std::size_t(image.width) * 4 * image.height);
    for (int y = 0; y < image.height; ++y)
      std::copy_n(image.pixels + std::size_t(y) * image.bytesPerLine, std::size_t(image.width) * 4,
                  last_.data() + std::size_t(y) * image.width * 4);
    return RepeatImage();
  }
  bool RepeatImage() override {
    return !last_.empty() && std::fwrite(last_.data(), 1, last_.size(), stdout) == last_.size();
  }
  bool WriteSound(const sonavix::MediaSound&) override { return true; }
  bool WriteClose() override { return std::fflush(stdout) == 0; }
  sonavix::WriteFailure Failure() const override { return {}; }

 private:
  std::unique_ptr<sonavix::MediaWriter> geometry_;
  std::vector<std::uint8_t> last_;
};

}  // namespace

int main(int argc, char** argv) {
  const sonavix::ExportPreset* preset = argc == 3 ? sonavix::FindPreset(argv[2]) : nullptr;
  if (!preset) {
    std::fprintf(stderr, "usage: frame_tap song.wav PRESET > frames.bgra\n");
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);  // the text line needs fonts

  sonavix::RenderRequest request;
  request.input = argv[1];
  request.preset = preset->disc;
  request.tv = preset->tv;
  request.textFromTags = true;
  request.font = sonavix::DefaultPictureFont();
  sonavix::RenderObserver observer;
  sonavix::SongSetup setup;
  if (const sonavix::RenderResult read = sonavix::SetUpSong(request, observer, setup); !read.ok()) {
    std::fprintf(stderr, "cannot read %s: %s\n", argv[1], read.error.c_str());
    return 1;
  }
  TapWriter writer;
  sonavix::DocumentRunHost host(setup, request.font, observer);
  sonavix::RandomGenerator colours;
  const sonavix::ExportOutcome outcome =
      sonavix::RunExport(sonavix::SongExport(request, setup, "-"), writer, host, colours);
  return outcome.done() ? 0 : 1;
}
