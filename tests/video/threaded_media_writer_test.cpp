// The writer that encodes on its own thread: everything reaches the wrapped
// writer in order and as it was when handed over, refusals that are certain
// come at once, and a failure while encoding stops what follows.

#include "video/threaded_media_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "video/recording_media_writer.h"

namespace sonavix {
namespace {

struct Wrapped {
  RecordingMediaWriter* inner;
  std::unique_ptr<ThreadedMediaWriter> writer;
};

Wrapped Make(const std::string& failAt = {}) {
  auto inner = std::make_unique<RecordingMediaWriter>();
  inner->failAt = failAt;
  RecordingMediaWriter* raw = inner.get();
  return {raw, std::make_unique<ThreadedMediaWriter>(std::move(inner))};
}

TEST(ThreadedMediaWriter, HandsEverythingOverInOrderAsItWasWhenGiven) {
  Wrapped w = Make();
  w.writer->SetFormatPreset(DiscPreset::Dvd);
  EXPECT_EQ(w.writer->FrameWidth(), 720);
  ASSERT_TRUE(w.writer->SetFileName("clip.mpg"));
  std::vector<std::uint32_t> pixels(4 * 2, 0);
  std::vector<std::int16_t> samples(2 * 3);
  for (int i = 0; i < 50; ++i) {
    pixels[0] = static_cast<std::uint32_t>(i);
    ASSERT_TRUE(w.writer->WriteImage({4, 2, 16, reinterpret_cast<const std::uint8_t*>(pixels.data())}));
    for (std::size_t s = 0; s < samples.size(); ++s) samples[s] = static_cast<std::int16_t>(10 * i + s);
    ASSERT_TRUE(w.writer->WriteSound({3, 44100, 2, samples.data()}));
    pixels[0] = 999;  // the caller's memory is its own again
    samples.assign(samples.size(), -1);
    ASSERT_TRUE(w.writer->RepeatImage());  // the picture given above, not 999
  }
  ASSERT_TRUE(w.writer->WriteClose());
  ASSERT_EQ(w.inner->images, 100);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(w.inner->firstPixels[i], std::uint32_t(i / 2));
  ASSERT_EQ(w.inner->samples.size(), 50u * 6);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(w.inner->samples[6 * i + 5], 10 * i + 5);
  EXPECT_TRUE(w.inner->closed);
}

TEST(ThreadedMediaWriter, CallsTheWriterMayRefuseAreAnsweredAtOnceAsItAnswers) {
  std::vector<std::uint32_t> pixels(8);
  const MediaImage image{4, 2, 16, reinterpret_cast<const std::uint8_t*>(pixels.data())};
  Wrapped notOpen = Make();
  EXPECT_TRUE(notOpen.writer->WriteImage(image));  // this writer takes pictures before a file
  EXPECT_EQ(notOpen.inner->images, 1) << "made at once, not queued";

  // Nothing to repeat before the first picture.
  Wrapped empty = Make();
  ASSERT_TRUE(empty.writer->SetFileName("clip.mpg"));
  EXPECT_FALSE(empty.writer->RepeatImage());

  Wrapped noFile = Make("file");
  EXPECT_FALSE(noFile.writer->SetFileName("clip.mpg"));
  EXPECT_EQ(noFile.writer->Failure().stage, WriteFailure::Stage::Write);

  // Sound of another format: everything before it is made first, then it.
  Wrapped changing = Make();
  ASSERT_TRUE(changing.writer->SetFileName("clip.mpg"));
  std::vector<std::int16_t> samples(4, 3);
  EXPECT_TRUE(changing.writer->WriteSound({2, 44100, 2, samples.data()}));
  EXPECT_TRUE(changing.writer->WriteSound({1, 22050, 2, samples.data()}));
  EXPECT_EQ(changing.inner->samples.size(), 6u);
  EXPECT_TRUE(changing.writer->WriteImage({4, 2, 16, nullptr}));
  EXPECT_EQ(changing.inner->images, 1);
}

TEST(ThreadedMediaWriter, AFailureWhileEncodingStopsWhatFollowsAndTheCloseSaysSo) {
  Wrapped w = Make("sound");
  ASSERT_TRUE(w.writer->SetFileName("clip.mpg"));
  std::vector<std::int16_t> samples(2 * 100);
  std::vector<std::uint32_t> pixels(8);
  w.writer->WriteSound({100, 44100, 2, samples.data()});  // fails on the worker
  for (int i = 0; i < 5; ++i)
    w.writer->WriteImage({4, 2, 16, reinterpret_cast<const std::uint8_t*>(pixels.data())});
  EXPECT_FALSE(w.writer->WriteClose());
  EXPECT_EQ(w.writer->Failure().stage, WriteFailure::Stage::Write);
  EXPECT_EQ(w.inner->images, 0) << "nothing after the failure reached the writer";
  EXPECT_FALSE(w.inner->closed);
}

TEST(ThreadedMediaWriter, GivenUpBeforeTheCloseItStopsCleanly) {
  Wrapped w = Make();
  ASSERT_TRUE(w.writer->SetFileName("clip.mpg"));
  std::vector<std::uint32_t> pixels(8);
  for (int i = 0; i < 20; ++i)
    w.writer->WriteImage({4, 2, 16, reinterpret_cast<const std::uint8_t*>(pixels.data())});
  w.writer.reset();  // joins the worker; the wrapped writer goes with it
  SUCCEED();
}

}  // namespace
}  // namespace sonavix
