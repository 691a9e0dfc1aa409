// Disc images from finished MPEG files: their size known beforehand, their
// layout as the disc tools read it back, and every way of failing without
// leaving anything behind.

#include "disc/disc_image.h"
#include "texts/disc_texts.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <fstream>

#include "disc/scripted_disc_tools.h"
#include "document/wave_file.h"
#include "export/render_job.h"
#include "video/picture_font.h"

namespace sonavix {
namespace {

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

QString RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  process.waitForFinished(60'000);
  return QString::fromLocal8Bit(process.readAll());
}

class DiscImage : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }

  // A song of `seconds` rendered for the preset; returns its MPEG file.
  std::string Song(double seconds, DiscPreset preset, TvSystem tv, int number) const {
    const int frames = static_cast<int>(44100 * seconds);
    std::vector<std::int16_t> samples(2 * static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
      samples[2 * i] = samples[2 * i + 1] = static_cast<std::int16_t>(8000 * std::sin(i * 0.03 * number));
    const std::string wave = Path("song.wav");
    EXPECT_TRUE(WriteWaveFile(wave, reinterpret_cast<const std::uint8_t*>(samples.data()),
                              static_cast<std::int32_t>(2 * samples.size()), 44100, true, true));
    RenderRequest request;
    request.input = wave;
    request.output = Path("song") + std::to_string(number) + ".mpg";
    request.preset = preset;
    request.tv = tv;
    request.font = DefaultPictureFont();
    request.exactEnd = true;  // a chapter as long as its song
    RenderObserver quiet;
    EXPECT_TRUE(RenderFile(request, quiet).ok());
    return request.output;
  }

  // What is in the folder besides the songs.
  QStringList Made() const {
    QStringList names = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeIf([](const QString& name) { return name.startsWith("song"); });
    return names;
  }

  QTemporaryDir dir;
};

std::int64_t SizeOf(const std::string& path) { return QFileInfo(QString::fromStdString(path)).size(); }

TEST_F(DiscImage, EveryPresetsImageIsAsLargeAsEstimatedAndReadsBack) {
  for (const char* tool : {"vcdimager", "dvdauthor", "genisoimage", "vcd-info", "lsdvd"})
    if (!Have(tool)) GTEST_SKIP() << tool << " missing";
  auto tools = CreateDiscTools();
  for (const TvSystem tv : {TvSystem::Pal, TvSystem::Ntsc}) {
    for (const DiscPreset preset : {DiscPreset::VideoCd, DiscPreset::SuperVideoCd, DiscPreset::Dvd}) {
      const std::vector<std::string> songs = {Song(1.5, preset, tv, 1), Song(2.5, preset, tv, 2), Song(1.2, preset, tv, 3)};
      for (const std::size_t count : {std::size_t(1), std::size_t(3)}) {
        DiscImageRequest request;
        request.preset = preset;
        request.tv = tv;
        request.tracks.assign(songs.begin(), songs.begin() + count);
        request.target = Path(preset == DiscPreset::Dvd ? "album.iso" : "album.cue");
        std::vector<std::int64_t> sizes;
        for (const std::string& song : request.tracks) sizes.push_back(SizeOf(song));
        DiscImageObserver quiet;
        const DiscImageResult result = BuildDiscImage(request, *tools, quiet);
        const std::string what = std::string(DiscName(preset)) + (tv == TvSystem::Ntsc ? " NTSC " : " PAL ") +
                                 std::to_string(count);
        ASSERT_TRUE(result.ok) << what << ": " << DiscProblemText(result.problem);
        EXPECT_NEAR(double(ImageBytesFromTracks(preset, sizes)), double(result.bytes), 0.02 * double(result.bytes))
            << what;
        const QString target = QString::fromStdString(request.target);
        if (preset == DiscPreset::Dvd) {
          const QString listing = RunTool("lsdvd", {"-c", target});
          EXPECT_TRUE(listing.contains(QStringLiteral("Chapters: %1").arg(count, 2, 10, QLatin1Char('0'))))
              << what << listing.toStdString();
          // Each chapter lasts as long as its song, within a picture.
          const double lengths[] = {1.5, 2.5, 1.2};
          const double picture = tv == TvSystem::Ntsc ? 1001.0 / 30000 : 0.04;
          static const QRegularExpression chapter(QStringLiteral("Chapter: (\\d+), Length: 00:00:(\\d+\\.\\d+)"));
          int seen = 0;
          for (auto match = chapter.globalMatch(listing); match.hasNext(); ++seen) {
            const QRegularExpressionMatch m = match.next();
            EXPECT_NEAR(m.captured(2).toDouble(), lengths[m.captured(1).toInt() - 1], picture) << what;
          }
          EXPECT_EQ(seen, int(count)) << what;
        } else {
          // The data track and one track per song.
          const QString info = RunTool("vcd-info", {"-c", target});
          EXPECT_TRUE(info.contains(QStringLiteral("CD-ROM TRACKS (1 - %1)").arg(count + 1))) << what << info.toStdString();
          EXPECT_TRUE(info.contains(QStringLiteral("entries: %1").arg(count))) << what;
        }
        EXPECT_TRUE(!Made().join(' ').contains(".sonavix-")) << Made().join(' ').toStdString();
      }
    }
  }
}

TEST_F(DiscImage, AnAlbumTooLongForTheDiscIsRefusedWithThePlayingTimeThatFits) {
  EXPECT_FALSE(DiscTooSmall(DiscPreset::VideoCd, 1.0, {40 * 60.0, 38 * 60.0}));
  const std::string cd = DiscProblemText(DiscTooSmall(DiscPreset::VideoCd, 1.0, {40 * 60.0, 42 * 60.0}));
  EXPECT_NE(cd.find("Zu lang für eine Video-CD: 1:22:00 Spielzeit"), std::string::npos) << cd;
  EXPECT_NE(cd.find("höchstens 1:19:"), std::string::npos) << cd;
  const std::string dvd = DiscProblemText(DiscTooSmall(DiscPreset::Dvd, 1.0, {120 * 60.0}));
  EXPECT_NE(dvd.find("Zu lang für eine DVD: 2:00:00"), std::string::npos) << dvd;
  // Half quality halves most of the video rate: the same two hours fit.
  EXPECT_FALSE(DiscTooSmall(DiscPreset::Dvd, 0.0, {120 * 60.0}));
}

// A stand-in for the tools that can also be stopped after it started.
class Stopping final : public DiscImageObserver {
 public:
  bool StopRequested() const override { return true; }
};

TEST_F(DiscImage, AMissingToolAFailingToolAFullDiskAndAStopLeaveNothing) {
  std::ofstream(Path("song1.mpg")) << std::string(80 * 2324, 'x');
  std::ofstream(Path("album.iso")) << "the old image";
  std::ofstream(Path("album.cue")) << "the old sheet";
  const struct {
    const char* program;
    const char* how;  // missing, failing, full, stop
    DiscPreset preset;
    const char* says;
  } cases[] = {
      {"genisoimage", "missing", DiscPreset::Dvd, "bitte das Debian-Paket „genisoimage“ installieren"},
      {"vcdimager", "missing", DiscPreset::VideoCd, "Debian-Paket „vcdimager“"},
      {"dvdauthor", "failing", DiscPreset::Dvd, "dvdauthor hat das Abbild nicht gemacht: ERR:"},
      {"vcdimager", "full", DiscPreset::SuperVideoCd, "Der Datenträger ist voll"},
      {"genisoimage", "full", DiscPreset::Dvd, "Der Datenträger ist voll"},
      {"", "stop", DiscPreset::Dvd, "Abgebrochen"},
  };
  for (const auto& c : cases) {
    ScriptedDiscTools tools;
    const std::string how = c.how;
    if (how == "missing") tools.missing.insert(c.program);
    if (how == "failing") tools.failing.insert(c.program);
    if (how == "full") tools.diskFull.insert(c.program);
    DiscImageRequest request;
    request.preset = c.preset;
    request.tracks = {Path("song1.mpg")};
    request.target = Path(c.preset == DiscPreset::Dvd ? "album.iso" : "album.cue");
    DiscImageObserver going;
    Stopping stopping;
    const DiscImageResult result = BuildDiscImage(request, tools, how == "stop" ? stopping : going);
    EXPECT_FALSE(result.ok) << c.program << " " << how;
    EXPECT_EQ(result.stopped, how == "stop");
    const std::string said = DiscProblemText(result.problem);
    EXPECT_NE(said.find(c.says), std::string::npos) << said;
    EXPECT_EQ(Made(), QStringList({"album.cue", "album.iso"})) << c.program << " " << how;
  }
  std::ifstream old(Path("album.iso"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "the old image");

  // The same stand-in, left alone, puts a new image in place of the old.
  ScriptedDiscTools tools;
  DiscImageRequest request;
  request.preset = DiscPreset::VideoCd;
  request.tracks = {Path("song1.mpg")};
  request.target = Path("album.cue");
  DiscImageObserver going;
  ASSERT_TRUE(BuildDiscImage(request, tools, going).ok);
  EXPECT_EQ(Made(), QStringList({"album.bin", "album.cue", "album.iso"}));
  ASSERT_EQ(tools.runs.size(), 1u);
  EXPECT_EQ(tools.runs[0].arguments[1], "vcd2");
}

}  // namespace
}  // namespace sonavix

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // the rendered songs' text needs fonts
  return RUN_ALL_TESTS();
}
