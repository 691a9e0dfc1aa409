// Every disc preset writes the bytes it wrote before the picture learnt the
// song's cover, tags and lyrics: with none of those options, a Video-CD,
// Super Video CD or DVD video of the same sound is the same file, in PAL
// and in NTSC. The hashes were taken from the program before the change.

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include "document/wave_file.h"
#include "export/render_job.h"
#include "video/picture_font.h"

namespace sonavix {
namespace {

TEST(PresetBytes, DiscPresetsWriteTheirReferenceBytes) {
  QTemporaryDir dir;
  const std::string wave = dir.filePath("lied.wav").toStdString();
  const int frames = 44100;
  std::vector<std::int16_t> samples(2 * frames);
  for (int i = 0; i < frames; ++i) {
    samples[2 * i] = static_cast<std::int16_t>(9000 * std::sin(i * (0.01 + i * 2e-7)));
    samples[2 * i + 1] = static_cast<std::int16_t>(6000 * std::sin(i * 0.2));
  }
  ASSERT_TRUE(WriteWaveFile(wave, reinterpret_cast<const std::uint8_t*>(samples.data()),
                            static_cast<std::int32_t>(2 * samples.size()), 44100, true, true));
  const struct {
    DiscPreset preset;
    TvSystem tv;
    const char* sha256;
  } presets[] = {
      {DiscPreset::VideoCd, TvSystem::Pal, "b4a3cc8d9c834b7289cef84a1ed33f18a917675c74e389e9f9c9af0f696da2e3"},
      {DiscPreset::VideoCd, TvSystem::Ntsc, "d713de8a91daa1e6d6ee2136dbacd915ee2789927bffc746cb67f20a90f3d140"},
      {DiscPreset::SuperVideoCd, TvSystem::Pal, "8315f38afe9d50bc35e08935b6618440f159839531e63b957f2ad1f19d1ac8c4"},
      {DiscPreset::SuperVideoCd, TvSystem::Ntsc, "21954f75bd279bd57bec99fb3ebc1afe47f540a14b0d6c19d6a56c10fddab04c"},
      {DiscPreset::Dvd, TvSystem::Pal, "32e39f9688f9b76b403be34efa3879e09c2f3a11e3cd1653c2a633ab9ede57f5"},
      {DiscPreset::Dvd, TvSystem::Ntsc, "bad4066aa8a6d1c6509671190e158a5a781b6ccd04fbb4052f9419c88b36056c"},
  };
  for (const auto& p : presets) {
    RenderRequest request;
    request.input = wave;
    request.output = dir.filePath("lied.mpg").toStdString();
    request.preset = p.preset;
    request.tv = p.tv;
    request.text = QStringLiteral("Sonavix – Demo");
    request.font = DefaultPictureFont();
    RenderObserver quiet;
    ASSERT_TRUE(RenderFile(request, quiet).ok());
    QFile file(QString::fromStdString(request.output));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray hash = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
    EXPECT_EQ(hash.toStdString(), p.sha256) << int(p.preset) << (p.tv == TvSystem::Ntsc ? " NTSC" : " PAL");
  }
}

}  // namespace
}  // namespace sonavix
