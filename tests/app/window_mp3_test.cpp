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
#include "mp3/acm_convertor.h"
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
  EXPECT_GT(form->MP3FormatCount(), 0) << "the codec layer offers layer-3 formats";
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
  EXPECT_EQ(form->Progress()->ProgressPercent(), 0);
  EXPECT_FALSE(form->mp3wav().Active());
}

TEST_F(WindowMp3, AnMp3FileWithoutAudioLeavesTheSoundAsItWas) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  const auto* block = form->Document().SampleData.get();
  QFile text(Path("notes.mp3"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write(QByteArray(4000, 'a'));
  text.close();
  OpenThroughCommand(text.fileName());
  EXPECT_EQ(prompts.errors, QStringList{"Konnte Datei nicht öffnen"});
  EXPECT_EQ(form->Document().SampleData.get(), block);
  EXPECT_EQ(form->Document().DataSize, 2000);
}

TEST_F(WindowMp3, ClosingTheWindowStopsALongConversionAndKeepsWhatWasDecoded) {
  if (!HaveLame()) GTEST_SKIP() << "lame is not installed";
  const QString mp3 = MakeMp3("long.mp3", 20.0);
  // The close arrives through the message pump of the conversion loop.
  QTimer::singleShot(0, form.get(), [this] { form->close(); });
  OpenThroughCommand(mp3);
  EXPECT_TRUE(form->StopRequested());
  EXPECT_GT(form->Document().FrameCount(), 0);
  EXPECT_LT(form->Document().FrameCount(), 20 * 44100);
}

}  // namespace
}  // namespace sonavix::testing
