// The FFmpeg media writer with other pictures than a disc's, and how it
// treats the file system when things go wrong.

#include <gtest/gtest.h>

#include "ffmpeg_writer_test_support.h"

namespace sonavix::writer_test {
namespace {

// ------------------------------------------------------- other pictures

TEST(FfmpegMediaWriterPictures, DefaultWriterMakesVideoCdAndScalesOtherSizes) {
  if (!HaveTool("ffprobe") || !HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg or ffprobe missing";
  ScratchFolder folder;
  const fs::path file = folder.Path() / "preview.mpg";
  auto writer = CreateMediaWriter("ffmpeg");  // no preset chosen
  // The preview's size, rows padded beyond the pixels.
  const Written written = WriteFile(*writer, file, 8, Picture(400, 400, 16));
  ASSERT_TRUE(written.ok);
  auto video = Probe(file, "v:0");
  EXPECT_EQ(video["codec_name"], "mpeg1video");
  EXPECT_EQ(video["width"], "352");
  EXPECT_EQ(video["height"], "288");
  EXPECT_EQ(Probe(file, "a:0")["codec_name"], "mp2");
  EXPECT_EQ(PictureTypes(file).size(), std::size_t(written.images));
  ExpectRedAndBlueHalves(file, 352, 288, written.images - 1);
}

// Quality sets the average rate of Super Video CD and DVD; a grainy picture
// takes all the rate it is given.
TEST(FfmpegMediaWriterPictures, LowerQualitySpendsFewerBitsOnAGrainyPicture) {
  ScratchFolder folder;
  const auto sizeAt = [&](double quality) {
    const fs::path file = folder.Path() / ("grain-" + std::to_string(quality) + ".mpg");
    auto writer = WriterFor(DiscPreset::SuperVideoCd);
    writer->SetQuality(quality);
    EXPECT_TRUE(writer->SetFileName(file.string()));
    Picture grain(480, 576);
    std::uint32_t seed = 1;
    for (int i = 0; i < 25; ++i) {
      for (std::uint8_t& byte : grain.bytes)  // grey with a fine grain
        byte = 120 + ((seed = seed * 1664525u + 1013904223u) >> 28);
      EXPECT_TRUE(writer->WriteImage(grain.Image()));
    }
    EXPECT_TRUE(writer->WriteClose());
    return fs::file_size(file);
  };
  const auto best = sizeAt(1.0), least = sizeAt(0.0);
  EXPECT_LT(least, best * 4 / 5);
}

// ------------------------------------------------------------ the files

TEST(FfmpegMediaWriterFiles, MissingFolderFailsAtSetFileNameAndLeavesNothing) {
  ScratchFolder folder;
  auto writer = CreateMediaWriter("ffmpeg");
  EXPECT_FALSE(writer->SetFileName((folder.Path() / "gone" / "clip.mpg").string()));
  // The reason says why, and the words say it in German.
  const WriteFailure noFolder{WriteFailure::Stage::Create, ENOENT};
  EXPECT_EQ(writer->Failure(), noFolder);
  EXPECT_EQ(WriteFailureText(noFolder, DiscPreset::Dvd), "Konnte MPEG-Datei nicht anlegen: Den Ordner gibt es nicht");
  EXPECT_EQ(WriteFailureText({WriteFailure::Stage::Write, 0}, DiscPreset::Mp4Hd720), "Konnte MP4-Datei nicht schreiben");
  // Nothing to write into: every further call is refused, the error stays.
  Picture picture(352, 288);
  EXPECT_FALSE(writer->WriteImage(picture.Image()));
  const std::vector<std::int16_t> block = ToneBlock(0);
  EXPECT_FALSE(writer->WriteSound({kBlockFrames, kRate, 2, block.data()}));
  EXPECT_FALSE(writer->WriteClose());
  EXPECT_EQ(writer->Failure(), noFolder);
  EXPECT_TRUE(folder.Names().empty());
}

TEST(FfmpegMediaWriterFiles, CallsBeforeAFileIsNamedAreRefused) {
  auto writer = CreateMediaWriter("ffmpeg");
  Picture picture(352, 288);
  EXPECT_FALSE(writer->WriteImage(picture.Image()));
  EXPECT_EQ(writer->Failure().stage, WriteFailure::Stage::Write);
  EXPECT_FALSE(writer->WriteClose());
}

TEST(FfmpegMediaWriterFiles, ExistingFileIsReplacedOnlyByACompleteOne) {
  ScratchFolder folder;
  const fs::path file = folder.Path() / "clip.mpg";
  std::ofstream(file) << "the old file";

  {  // given up before the close
    auto writer = WriterFor(DiscPreset::VideoCd);
    ASSERT_TRUE(writer->SetFileName(file.string()));
    ASSERT_TRUE(WriteMaterial(*writer, 4, Picture(352, 288)).ok);
  }
  EXPECT_EQ(Contents(file), "the old file");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"clip.mpg"});

  {  // failed half-way: a picture without pixels
    auto writer = WriterFor(DiscPreset::VideoCd);
    ASSERT_TRUE(writer->SetFileName(file.string()));
    ASSERT_TRUE(WriteMaterial(*writer, 4, Picture(352, 288)).ok);
    EXPECT_FALSE(writer->WriteImage({352, 288, 352 * 4, nullptr}));
    EXPECT_EQ(writer->Failure().stage, WriteFailure::Stage::Write);
    EXPECT_FALSE(writer->WriteClose());
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"clip.mpg"});
  }
  EXPECT_EQ(Contents(file), "the old file");

  {  // closed
    auto writer = WriterFor(DiscPreset::VideoCd);
    ASSERT_TRUE(WriteFile(*writer, file, 4, Picture(352, 288)).ok);
    EXPECT_FALSE(writer->Failure().failed());
  }
  const std::string mpeg = Contents(file);
  ASSERT_GE(mpeg.size(), 4u);
  EXPECT_EQ(mpeg.substr(0, 4), std::string("\x00\x00\x01\xBA", 4));  // a pack header
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"clip.mpg"});
}

TEST(FfmpegMediaWriterFiles, SoundThatChangesItsFormatIsRefused) {
  ScratchFolder folder;
  auto writer = WriterFor(DiscPreset::Dvd);
  ASSERT_TRUE(writer->SetFileName((folder.Path() / "clip.mpg").string()));
  const std::vector<std::int16_t> block = ToneBlock(0);
  EXPECT_TRUE(writer->WriteSound({kBlockFrames, kRate, 2, block.data()}));
  EXPECT_FALSE(writer->WriteSound({kBlockFrames, 22050, 2, block.data()}));
  EXPECT_EQ(writer->Failure().stage, WriteFailure::Stage::Write);
  EXPECT_TRUE(folder.Names().empty());
}


}  // namespace
}  // namespace sonavix::writer_test
