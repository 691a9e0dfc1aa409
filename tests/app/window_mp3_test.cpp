// Opening MP3 files through the window: the real codec layer, files made
// with lame, the temporary WAV file, progress, and closing mid-conversion.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <cmath>
#include <cstdlib>

#include "app/progress_panel.h"
#include "mp3/acm_converter.h"
#include "mp3/scripted_acm_driver.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

bool HaveLame() { return std::system("command -v lame >/dev/null 2>&1") == 0; }

class WindowMp3 : public WindowTest {
 protected:
  // A stereo sine of `seconds` at 44.1 kHz, encoded by lame at 128 kbit/s.
  QString MakeMp3(const char* name, double seconds) {
    const int frames = static_cast<int>(44100 * seconds);
    std::vector<std::uint8_t> pcm;
    pcm.reserve(static_cast<std::size_t>(frames) * 4);
    for (int i = 0; i < frames; ++i) {
      const auto v = static_cast<std::int16_t>(8000 * std::sin(i * 0.0627));
      for (int c = 0; c < 2; ++c) {
        pcm.push_back(static_cast<std::uint8_t>(v));
        pcm.push_back(static_cast<std::uint8_t>(v >> 8));
      }
    }
    QFile raw(Path("in.raw"));
    EXPECT_TRUE(raw.open(QIODevice::WriteOnly));
    raw.write(reinterpret_cast<const char*>(pcm.data()), static_cast<qint64>(pcm.size()));
    raw.close();
    const QString out = Path(name);
    const QString cmd = QStringLiteral("lame -r -s 44.1 --bitwidth 16 -b 128 --silent '%1' '%2'").arg(raw.fileName(), out);
    EXPECT_EQ(std::system(cmd.toLocal8Bit().constData()), 0);
    return out;
  }
  static int TempWaveFiles() {
    return static_cast<int>(QDir(QDir::tempPath()).entryList({QStringLiteral("tempwav*.wav")}, QDir::Files).size());
  }
};

TEST_F(WindowMp3, AnMp3FileOpensLikeAWaveFileAndItsTemporaryFileIsGone) {
  if (!HaveLame()) GTEST_SKIP() << "lame is not installed";
  EXPECT_GT(static_cast<int>(form->Import().Mp3().Formats().size()), 0) << "the codec layer offers layer-3 formats";
  const QString mp3 = MakeMp3("song.mp3", 1.0);
  const int before = TempWaveFiles();
  OpenThroughCommand(mp3);
  const AudioDocument& doc = form->Document();
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join("; ").toStdString();
  EXPECT_EQ(doc.SampleRate, 44100);
  EXPECT_TRUE(doc.IsStereo);
  EXPECT_TRUE(doc.Is16Bit);
  EXPECT_EQ(doc.FrameCount(), 44100) << "encoder delay and padding are trimmed";
  EXPECT_EQ(TempWaveFiles(), before);
  EXPECT_EQ(form->Status().Progress()->ProgressPercent(), 0);
  EXPECT_FALSE(form->Import().Mp3().Converter().Active());
}

TEST_F(WindowMp3, TruncatedAndRiffWrappedFilesOpenWithTheSoundTheyHold) {
  if (!HaveLame()) GTEST_SKIP() << "lame is not installed";
  const std::vector<std::uint8_t> mp3 = ReadBytes(MakeMp3("whole.mp3", 2.0));
  ASSERT_GT(mp3.size(), 1000u);

  QFile half(Path("half.mp3"));
  ASSERT_TRUE(half.open(QIODevice::WriteOnly));
  half.write(reinterpret_cast<const char*>(mp3.data()), static_cast<qint64>(mp3.size() / 2));
  half.close();
  OpenThroughCommand(half.fileName());
  EXPECT_TRUE(prompts.errors.isEmpty());
  EXPECT_NEAR(form->Document().FrameCount(), 44100, 3000);

  // A RIFF/WAVE file whose data chunk holds the MP3 stream: fmt (30 bytes,
  // MPEG layer 3), fact, then data, as Windows tools write them.
  QByteArray riff;
  const auto le32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) riff.append(char(v >> (8 * i))); };
  const auto le16 = [&](std::uint16_t v) { riff.append(char(v)); riff.append(char(v >> 8)); };
  riff.append("RIFF");
  le32(static_cast<std::uint32_t>(62 + mp3.size()));
  riff.append("WAVEfmt ");
  le32(30);
  le16(0x55); le16(2); le32(44100); le32(16000); le16(1); le16(0); le16(12);
  le16(1); le32(2); le16(417); le16(1); le16(1393);
  riff.append("fact");
  le32(4);
  le32(88200);
  riff.append("data");
  le32(static_cast<std::uint32_t>(mp3.size()));
  riff.append(reinterpret_cast<const char*>(mp3.data()), static_cast<qsizetype>(mp3.size()));
  QFile wrapped(Path("wrapped.mp3"));
  ASSERT_TRUE(wrapped.open(QIODevice::WriteOnly));
  wrapped.write(riff);
  wrapped.close();
  OpenThroughCommand(wrapped.fileName());
  EXPECT_TRUE(prompts.errors.isEmpty());
  EXPECT_EQ(form->Document().SampleRate, 44100);
  EXPECT_NEAR(form->Document().FrameCount(), 2 * 44100, 2000);
}

TEST_F(WindowMp3, AnMp3FileWithoutAudioLeavesTheSoundAsItWas) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  const auto* block = form->Document().SampleData.get();
  QFile text(Path("notes.mp3"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write(QByteArray(4000, 'a'));
  text.close();
  OpenThroughCommand(text.fileName());
  ASSERT_EQ(prompts.errors.size(), 1);
  EXPECT_TRUE(prompts.errors[0].startsWith(QStringLiteral("Konnte Datei nicht öffnen: Das ist keine Tondatei")))
      << prompts.errors[0].toStdString();
  EXPECT_EQ(form->Document().SampleData.get(), block);
  EXPECT_EQ(form->Document().DataSize, 2000);
}

TEST_F(WindowMp3, ClosingTheWindowStopsALongConversionAndKeepsWhatWasDecoded) {
  if (!HaveLame()) GTEST_SKIP() << "lame is not installed";
  const QString mp3 = MakeMp3("long.mp3", 20.0);
  // The close arrives while the conversion is under way.
  QTimer closeOnce;
  QObject::connect(&closeOnce, &QTimer::timeout, [&] {
    if (form->Status().Progress()->ProgressPercent() == 0) return;
    closeOnce.stop();
    form->close();
  });
  closeOnce.start(0);
  OpenThroughCommand(mp3);
  EXPECT_TRUE(form->StopRequested());
  EXPECT_GT(form->Document().FrameCount(), 0);
  EXPECT_LT(form->Document().FrameCount(), 20 * 44100);
}

TEST_F(WindowMp3, OpeningAgainDuringAConversionIsIgnored) {
  if (!HaveLame()) GTEST_SKIP() << "lame is not installed";
  const QString mp3 = MakeMp3("first.mp3", 3.0);
  const QString other = WriteRamp("other.wav", 100);
  QTimer::singleShot(0, form.get(), [&] {
    prompts.fileNames.push_back(other);
    Trigger(A().open);
  });
  OpenThroughCommand(mp3);
  EXPECT_EQ(prompts.fileNames.size(), 1u) << "no second file dialog";
  EXPECT_EQ(form->Document().FrameCount(), 3 * 44100);
  EXPECT_TRUE(prompts.errors.isEmpty());
}

// A codec layer that accepts no stream: its error text is shown, the sound
// stays, and neither the temporary file nor an open converter is left over.
TEST(WindowMp3WithoutCodec, TheConverterErrorIsShownAndNothingIsLeftBehind) {
  auto script = std::make_shared<acm::ScriptedAcmScript>();
  script->openResult = acm::kNotPossible;
  std::vector<std::unique_ptr<acm::AcmDriver>> drivers;
  drivers.push_back(std::make_unique<acm::ScriptedAcmDriver>(script));
  ScriptedPrompts prompts;
  MainWindow form(prompts, std::make_unique<VirtualSoundDevice>(),
                 std::make_unique<acm::AcmManager>(std::move(drivers)));
  form.show();
  QTemporaryDir dir;
  QFile mp3(dir.filePath("song.mp3"));
  ASSERT_TRUE(mp3.open(QIODevice::WriteOnly));
  for (int frame = 0; frame < 8; ++frame)  // frames of 417 bytes: MPEG-1 Layer III, 128 kbit/s
    mp3.write(QByteArray("\xFF\xFB\x90\x00", 4) + QByteArray(413, '\x11'));
  mp3.close();

  const int before = static_cast<int>(QDir(QDir::tempPath()).entryList({QStringLiteral("tempwav*.wav")}).size());
  prompts.fileNames.push_back(mp3.fileName());
  form.Actions().open->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Busy(); }));
  EXPECT_EQ(prompts.errors, QStringList{"acmStreamOpen: The requested operation cannot be performed."});
  EXPECT_EQ(form.Document().DataSize, 0);
  EXPECT_FALSE(form.Import().Mp3().Converter().Active());
  EXPECT_EQ(script->streamsAlive, 0);
  EXPECT_EQ(QDir(QDir::tempPath()).entryList({QStringLiteral("tempwav*.wav")}).size(), before);
}

}  // namespace
}  // namespace sonavix::testing
