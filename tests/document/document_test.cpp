// The audio document's derived quantities and mark arithmetic, and how the
// open command loads (or fails to load) a file into it.

#include <gtest/gtest.h>

#include <QDir>
#include <limits>
#include <stdexcept>

#include "document/byte_io.h"
#include "document/local_names.h"
#include "document/sound_files.h"
#include "document/sound_kind.h"
#include "wav_bytes.h"

namespace {

using namespace wavtest;
using sonavix::AudioDocument;

AudioDocument MakeDoc(bool stereo, bool sixteen, std::int32_t size) {
  AudioDocument doc;
  auto block = sonavix::SampleBlock::Allocate(size);
  std::fill_n(block.bytes.get(), size, 0);
  sonavix::ReplaceBlock(doc, std::move(block), {8000, stereo, sixteen});
  return doc;
}

TEST(AudioDocumentTest, SizesFollowTheFormat) {
  // 7 bytes in each format: frame size, samples (mark units) and whole frames.
  struct Case { bool stereo, sixteen; int frameSize; std::int32_t samples, frames; };
  for (const Case c : {Case{false, false, 1, 7, 7}, Case{true, false, 2, 7, 3},
                       Case{false, true, 2, 3, 3}, Case{true, true, 4, 3, 1}}) {
    const AudioDocument doc = MakeDoc(c.stereo, c.sixteen, 7);
    EXPECT_EQ(doc.FrameSize(), c.frameSize);
    EXPECT_EQ(doc.SampleCount(), c.samples);
    EXPECT_EQ(doc.FrameCount(), c.frames);
  }
}

TEST(AudioDocumentTest, MarksMapToFramesAndByteOffsets) {
  const AudioDocument s16 = MakeDoc(true, true, 40);
  // Marks 5 and 8 select frames 2 and 3: bytes 8 up to 16.
  EXPECT_EQ(sonavix::FrameIndex(s16, 5), 2);
  EXPECT_EQ(sonavix::ByteOffset(s16, 5), 8);
  EXPECT_EQ(sonavix::FrameIndex(s16, 8), 4);
  EXPECT_EQ(sonavix::ByteOffset(s16, 8), 16);

  const AudioDocument s8 = MakeDoc(true, false, 40);
  EXPECT_EQ(sonavix::FrameIndex(s8, 7), 3);
  EXPECT_EQ(sonavix::ByteOffset(s8, 7), 6);

  const AudioDocument m16 = MakeDoc(false, true, 40);
  EXPECT_EQ(sonavix::FrameIndex(m16, 7), 7);
  EXPECT_EQ(sonavix::ByteOffset(m16, 7), 14);

  // Offsets of marks near the top of the range do not wrap.
  const std::int32_t top = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(sonavix::ByteOffset(s16, top), std::int64_t{top / 2} * 4);
  EXPECT_EQ(sonavix::ByteOffset(m16, top), std::int64_t{top} * 2);
}

TEST(AudioDocumentTest, Sample16ReadsSignedLittleEndian) {
  AudioDocument doc = MakeDoc(false, true, 8);
  const std::uint8_t raw[] = {0x00, 0x80, 0xFF, 0x7F, 0xFE, 0xFF, 0x34, 0x12};
  std::copy(std::begin(raw), std::end(raw), doc.SampleData.get());
  EXPECT_EQ(doc.Sample16(0), -32768);
  EXPECT_EQ(doc.Sample16(1), 32767);
  EXPECT_EQ(doc.Sample16(2), -2);
  EXPECT_EQ(doc.Sample16(3), 0x1234);
}

TEST(AudioDocumentTest, SelectionPutsTheSmallerMarkFirst) {
  AudioDocument doc = MakeDoc(false, false, 100);
  doc.SelStart = 30;
  doc.SelEnd = 10;
  EXPECT_EQ(sonavix::Selection(doc).first, 10);
  EXPECT_EQ(sonavix::Selection(doc).last, 30);
  std::swap(doc.SelStart, doc.SelEnd);
  EXPECT_EQ(sonavix::Selection(doc).first, 10);
  EXPECT_EQ(sonavix::Selection(doc).last, 30);
  EXPECT_FALSE(sonavix::Selection(doc).empty());
  doc.SelEnd = 10;
  EXPECT_TRUE(sonavix::Selection(doc).empty());
}

TEST(AudioDocumentTest, ReplaceBlockTakesBlockAndFormatAndResetsMarks) {
  AudioDocument doc = MakeDoc(false, false, 100);
  doc.SelStart = 40;
  doc.SelEnd = 60;
  auto block = sonavix::SampleBlock::Allocate(12);
  const std::uint8_t* bytes = block.bytes.get();
  sonavix::ReplaceBlock(doc, std::move(block), {44100, true, true});
  EXPECT_EQ(doc.SampleData.get(), bytes);
  EXPECT_EQ(doc.DataSize, 12);
  EXPECT_EQ(doc.Format(), (sonavix::SoundFormat{44100, true, true}));
  EXPECT_EQ(doc.SelStart, 0);
  EXPECT_EQ(doc.SelEnd, 0);
}

class OpenSoundFileTest : public testing::Test {
 protected:
  OpenSoundFileTest() : tmp_(tempFolder.path()) {
    doc = MakeDoc(false, false, 50);
    doc.SelStart = 20;
    doc.SelEnd = 5;
    oldBytes = doc.SampleData.get();
  }
  void ExpectUnchangedButUnmarked() {
    EXPECT_EQ(doc.SampleData.get(), oldBytes);
    EXPECT_EQ(doc.DataSize, 50);
    EXPECT_EQ(doc.Format(), (sonavix::SoundFormat{8000, false, false}));
    EXPECT_EQ(doc.SelStart, 0);
    EXPECT_EQ(doc.SelEnd, 0);
  }

  TempDir files;
  TempDir tempFolder;  // where the MP3 decoder's temporary WAV files go
  AudioDocument doc;
  const std::uint8_t* oldBytes = nullptr;
  const Bytes samples = Pattern(30);
  const Bytes wav = SimpleWave(Fmt().Channels(2).Rate(22050).Bits(16), samples);

 private:
  ScopedTmpDir tmp_;
};

// The start of an MP3 file: an ID3v2 tag, then anything.
Bytes Id3Tagged() {
  Bytes bytes = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0};
  const Bytes rest = Pattern(90);
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return bytes;
}

// Writes `output` at the WAV name it is given and remembers both names.
class FakeMp3Decoder final : public sonavix::Mp3Decoder {
 public:
  explicit FakeMp3Decoder(Bytes output) : output_(std::move(output)) {}
  void ConvertToWave(const std::string& mp3Path, const std::string& wavePath) override {
    calls.push_back({mp3Path, wavePath});
    WriteFile(wavePath, output_);
  }
  std::vector<std::pair<std::string, std::string>> calls;

 private:
  Bytes output_;
};

TEST_F(OpenSoundFileTest, SuccessReplacesSoundAndFormatAndResetsMarks) {
  WriteFile(files / "a.wav", wav);
  ASSERT_TRUE(sonavix::OpenSoundFile(doc, files / "a.wav", nullptr));
  EXPECT_EQ(Bytes(doc.SampleData.get(), doc.SampleData.get() + doc.DataSize), samples);
  EXPECT_EQ(doc.Format(), (sonavix::SoundFormat{22050, true, true}));
  EXPECT_EQ(doc.SelStart, 0);
  EXPECT_EQ(doc.SelEnd, 0);
}

TEST_F(OpenSoundFileTest, FailureKeepsTheSoundButResetsMarks) {
  WriteFile(files / "bad.wav", Pattern(200));
  EXPECT_FALSE(sonavix::OpenSoundFile(doc, files / "bad.wav", nullptr));
  ExpectUnchangedButUnmarked();
  doc.SelStart = 3;
  EXPECT_FALSE(sonavix::OpenSoundFile(doc, files / "missing.wav", nullptr));
  ExpectUnchangedButUnmarked();
}

TEST_F(OpenSoundFileTest, Mp3ContentGoesThroughTheDecoderWhateverItsNameAndItsTempFileIsRemoved) {
  // A stale tempwav0.wav in the temp folder is neither used nor deleted.
  WriteFile(tempFolder / "tempwav0.wav", Pattern(3));
  for (const std::string name : {"a.mp3", "b.MP3", "c.wav", "d"}) {
    SCOPED_TRACE(name);
    WriteFile(files / name, Id3Tagged());  // not WAV: only the decoder's output can load
    FakeMp3Decoder decoder(wav);
    ASSERT_TRUE(sonavix::OpenSoundFile(doc, files / name, &decoder));
    ASSERT_EQ(decoder.calls.size(), 1u);
    EXPECT_EQ(decoder.calls[0].first, files / name);
    EXPECT_EQ(decoder.calls[0].second, QDir::tempPath().toStdString() + "/tempwav1.wav");
    EXPECT_EQ(doc.DataSize, 30);
    EXPECT_EQ(tempFolder.Entries(), std::vector<std::string>{"tempwav0.wav"});
  }
}

TEST_F(OpenSoundFileTest, FailedDecodeStillRemovesTheTempFile) {
  WriteFile(files / "a.mp3", Id3Tagged());
  FakeMp3Decoder decoder(Pattern(10));
  EXPECT_FALSE(sonavix::OpenSoundFile(doc, files / "a.mp3", &decoder));
  EXPECT_EQ(decoder.calls.size(), 1u);
  ExpectUnchangedButUnmarked();
  EXPECT_TRUE(tempFolder.Entries().empty());

  // A decoder that gives up by throwing leaves no temporary file either.
  struct ThrowingDecoder final : sonavix::Mp3Decoder {
    void ConvertToWave(const std::string&, const std::string& wavePath) override {
      WriteFile(wavePath, Pattern(10));
      throw std::runtime_error("decoder failed");
    }
  } thrower;
  EXPECT_THROW(sonavix::OpenSoundFile(doc, files / "a.mp3", &thrower), std::runtime_error);
  EXPECT_TRUE(tempFolder.Entries().empty());
}

TEST_F(OpenSoundFileTest, WavContentOrNoDecoderReadsTheFileAsWav) {
  FakeMp3Decoder decoder(Pattern(10));
  for (const std::string name : {"a.wave", "a.mp3.wav", "mp3", "a.mp4", "wav-data.mp3"}) {
    SCOPED_TRACE(name);
    WriteFile(files / name, wav);
    EXPECT_TRUE(sonavix::OpenSoundFile(doc, files / name, &decoder));
  }
  EXPECT_TRUE(decoder.calls.empty());

  WriteFile(files / "real.mp3", wav);
  EXPECT_TRUE(sonavix::OpenSoundFile(doc, files / "real.mp3", nullptr));
  doc = MakeDoc(false, false, 50);
  oldBytes = doc.SampleData.get();
  WriteFile(files / "fake.mp3", Pattern(300));
  EXPECT_FALSE(sonavix::OpenSoundFile(doc, files / "fake.mp3", nullptr));
  ExpectUnchangedButUnmarked();
  EXPECT_TRUE(tempFolder.Entries().empty());
}

}  // namespace

namespace {

// `count` frames, each the four header bytes and filler up to `length`.
Bytes Frames(std::initializer_list<std::uint8_t> header, std::size_t length, int count) {
  Bytes bytes;
  for (int i = 0; i < count; ++i) {
    bytes.insert(bytes.end(), header.begin(), header.end());
    bytes.insert(bytes.end(), length - header.size(), 0x11);
  }
  return bytes;
}

TEST(SoundFileKind, IsJudgedByWhatTheFileHolds) {
  using sonavix::SoundFileKind;
  const Bytes layer3 = Frames({0xFF, 0xFB, 0x90, 0x00}, 417, 3);  // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz
  const struct {
    const char* what;
    Bytes bytes;
    SoundFileKind kind;
  } cases[] = {
      {"PCM WAV", SimpleWave(Fmt{}, Pattern(100)), SoundFileKind::Wave},
      {"PCM WAV whose samples hold frames", SimpleWave(Fmt{}, layer3), SoundFileKind::Wave},
      {"MP3 in a WAV wrapper", SimpleWave(Fmt{}.Tag(0x55), Pattern(100)), SoundFileKind::Mp3},
      {"ID3 tag", Id3Tagged(), SoundFileKind::Mp3},
      {"zeros, then an ID3 tag", Cat({Bytes(300, 0), Id3Tagged()}), SoundFileKind::Mp3},
      {"Layer III frames", layer3, SoundFileKind::Mp3},
      {"junk before the frames", Cat({Bytes(1000, 0x11), layer3}), SoundFileKind::Mp3},
      {"one frame to the end", Frames({0xFF, 0xFB, 0x90, 0x00}, 417, 1), SoundFileKind::Mp3},
      {"MPEG-2 Layer III, 64 kbit/s, 22.05 kHz", Frames({0xFF, 0xF3, 0x80, 0x00}, 208, 3), SoundFileKind::Mp3},
      {"Layer II, 160 kbit/s", Frames({0xFF, 0xFD, 0x90, 0x00}, 522, 3), SoundFileKind::Mp3},
      {"Layer I, 288 kbit/s", Frames({0xFF, 0xFF, 0x90, 0x00}, 312, 3), SoundFileKind::Mp3},
      {"free format", Frames({0xFF, 0xFB, 0x00, 0x00}, 600, 3), SoundFileKind::Mp3},
      {"a header the next frame does not confirm", Cat({Frames({0xFF, 0xFB, 0x90, 0x00}, 417, 1), Pattern(500)}),
       SoundFileKind::Other},
      {"24-bit WAV", SimpleWave(Fmt{}.Bits(24), Pattern(99)), SoundFileKind::Other},
      {"text", Bytes(200, 'a'), SoundFileKind::Other},
      {"nothing", Bytes(), SoundFileKind::Other},
  };
  for (const auto& c : cases) {
    sonavix::MemorySource source(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(sonavix::DetectSoundFileKind(source), c.kind) << c.what;
  }
}

}  // namespace

namespace {

TEST(LocalNames, EveryNameKeepsItsBytesAndADialogsReadingFindsTheFile) {
  for (const QByteArray& bytes : {QByteArray("plain.wav"), QByteArray("M\xc3\xa4" "dchen \xf0\x9f\x8e\xb5.wav"),
                                  QByteArray("M\xe4" "dchen.wav"), QByteArray("\xc0\x80 overlong"),
                                  QByteArray("\xed\xa0\x80 surrogate"), QByteArray("cut \xe2\x82"),
                                  QByteArray("\xff\xfe\x80")}) {
    const QString name = sonavix::NameFromBytes(bytes);
    EXPECT_EQ(sonavix::BytesFromName(name), bytes) << bytes.toStdString();
    EXPECT_EQ(name.contains(QChar(0xDCE4)), bytes.contains('\xe4') && !bytes.contains("\xc3\xa4"));
  }
  TempDir dir;
  const std::string raw = dir / "M\xe4" "dchen.wav";
  WriteFile(raw, Pattern(4));
  const QString shown = QString::fromUtf8(QByteArray::fromStdString(raw));  // as a file dialog reads it
  EXPECT_EQ(sonavix::BytesFromName(sonavix::NameOnDisk(shown)).toStdString(), raw);
  WriteFile(dir / "M\xf6" "dchen.wav", Pattern(4));  // read the same way: which one is meant is unknown
  EXPECT_EQ(sonavix::NameOnDisk(shown), shown);
  const QString fresh = QString::fromUtf8(QByteArray::fromStdString(dir / "neu.wav"));
  EXPECT_EQ(sonavix::NameOnDisk(fresh), fresh);
}

}  // namespace
