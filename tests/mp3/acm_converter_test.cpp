// The converter component: opening and closing its stream, the texts of the
// layer's result codes, and the stored form of its format blocks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "mp3/acm_converter.h"
#include "mp3/scripted_acm_driver.h"

namespace {

using sonavix::CheckAcmResult;
using sonavix::AcmError;
using sonavix::AcmConverter;
using sonavix::WaveFormatBlock;
namespace acm = sonavix::acm;

// The message `action` throws, or "" when it throws nothing.
template <typename Action>
std::string MessageOf(Action action) {
  try {
    action();
  } catch (const AcmError& e) {
    return e.what();
  }
  return "";
}

class ConvertorTest : public testing::Test {
 protected:
  ConvertorTest() {
    std::vector<std::unique_ptr<acm::AcmDriver>> drivers;
    drivers.push_back(std::make_unique<acm::ScriptedAcmDriver>(script));
    manager = std::make_unique<acm::AcmManager>(std::move(drivers));
    convertor = std::make_unique<AcmConverter>(*manager);
  }

  std::shared_ptr<acm::ScriptedAcmScript> script = std::make_shared<acm::ScriptedAcmScript>();
  std::unique_ptr<acm::AcmManager> manager;
  std::unique_ptr<AcmConverter> convertor;
};

TEST(ConvertorResultTest, EveryKnownCodeHasItsText) {
  const std::pair<acm::Result, const char*> table[] = {
      {5, "x: The specified handle is invalid."},
      {6, "x: A suitable driver is not available to provide valid format selections."},
      {7, "x: The system is unable to allocate resources."},
      {10, "x: At least one flag is invalid."},
      {11, "x: At least one parameter is invalid."},
      {512, "x: The requested operation cannot be performed."},
      {513, "x: The conversion stream is already in use."},
      {514, "x: Cannot perform this action on a header that has not been prepared."},
  };
  for (const auto& [code, text] : table) {
    const auto result = code;  // clang 14 cannot capture a structured binding
    EXPECT_EQ(MessageOf([&] { CheckAcmResult(result, "x:"); }), text) << code;
  }
  EXPECT_NO_THROW(CheckAcmResult(0, "x:"));
}

TEST(ConvertorResultTest, UnknownCodeIsNumbered) {
  EXPECT_EQ(MessageOf([] { CheckAcmResult(1, "acmStreamOpen:"); }),
            "acmStreamOpen: raised an unknown error (code #1)");
  EXPECT_EQ(MessageOf([] { CheckAcmResult(515, "acmStreamSize:"); }),
            "acmStreamSize: raised an unknown error (code #515)");
}

TEST_F(ConvertorTest, OpenSizesBuffersAndPreparesHeader) {
  convertor->SetActive(true);
  ASSERT_TRUE(convertor->Active());
  EXPECT_NE(convertor->StreamHandle(), nullptr);
  EXPECT_EQ(convertor->DestBufferSize(), 2048u * script->sizeFactor);
  const acm::StreamHeader& header = convertor->StreamHeader();
  EXPECT_EQ(header.cbStruct, 84u);
  EXPECT_EQ(header.pbSrc, convertor->SourceBuffer());
  EXPECT_EQ(header.cbSrcLength, 2048u);
  EXPECT_EQ(header.pbDst, convertor->DestBuffer());
  EXPECT_EQ(header.cbDstLength, convertor->DestBufferSize());
  EXPECT_EQ(header.cbSrcLengthUsed, 0u);
  EXPECT_EQ(header.cbDstLengthUsed, 0u);
  EXPECT_NE(header.fdwStatus & acm::kHeaderPrepared, 0u);
  ASSERT_EQ(script->openedSources.size(), 1u);
  EXPECT_EQ(script->openedSources[0], convertor->ACMFormatIn());
  EXPECT_EQ(script->openedDestinations[0], convertor->ACMFormatOut());
}

TEST_F(ConvertorTest, SettingTheSameStateTwiceDoesNothing) {
  convertor->SetActive(false);
  EXPECT_TRUE(script->openedSources.empty());
  convertor->SetActive(true);
  convertor->SetActive(true);
  EXPECT_EQ(script->openedSources.size(), 1u);
  EXPECT_EQ(script->streamsAlive, 1);
  convertor->SetActive(false);
  convertor->SetActive(false);
  EXPECT_FALSE(convertor->Active());
  EXPECT_EQ(script->streamsAlive, 0);
  EXPECT_EQ(convertor->SourceBuffer(), nullptr);
  EXPECT_EQ(convertor->DestBuffer(), nullptr);
}

TEST_F(ConvertorTest, SettersRefuseWhileActiveAndKeepTheOldValue) {
  convertor->SetInputBufferSize(4096);
  convertor->SetActive(true);
  EXPECT_EQ(MessageOf([&] { convertor->SetInputBufferSize(1024); }),
            "You cannot change the buffer size while active.");
  EXPECT_EQ(convertor->InputBufferSize(), 4096);
  EXPECT_EQ(MessageOf([&] { convertor->SetUseRealTime(true); }),
            "You cannot change the real time flag while active.");
  EXPECT_FALSE(convertor->UseRealTime());
  convertor->SetActive(false);
  convertor->SetUseRealTime(true);
  EXPECT_TRUE(convertor->UseRealTime());
}

TEST_F(ConvertorTest, NonRealtimeFlagUnlessRealTime) {
  convertor->SetActive(true);
  convertor->SetActive(false);
  convertor->SetUseRealTime(true);
  convertor->SetActive(true);
  ASSERT_EQ(script->openFlags.size(), 2u);
  EXPECT_EQ(script->openFlags[0], acm::kStreamOpenNonRealtime);
  EXPECT_EQ(script->openFlags[1], 0u);
}

TEST_F(ConvertorTest, FailedOpenLeavesNothingBehind) {
  // With its only driver disabled the layer has no driver to ask.
  script->disabled = true;
  EXPECT_EQ(MessageOf([&] { convertor->SetActive(true); }),
            "acmStreamOpen: A suitable driver is not available to provide valid format selections.");
  EXPECT_FALSE(convertor->Active());
  EXPECT_EQ(convertor->StreamHandle(), nullptr);

  script->disabled = false;
  script->openResult = acm::kNoDriver;
  EXPECT_EQ(MessageOf([&] { convertor->SetActive(true); }),
            "acmStreamOpen: The requested operation cannot be performed.");
  EXPECT_FALSE(convertor->Active());
  EXPECT_EQ(convertor->StreamHandle(), nullptr);
  EXPECT_EQ(script->streamsAlive, 0);
}

TEST_F(ConvertorTest, FailedSizeClosesTheStream) {
  script->sizeResult = acm::kNoMemory;
  EXPECT_EQ(MessageOf([&] { convertor->SetActive(true); }),
            "acmStreamSize: The system is unable to allocate resources.");
  EXPECT_FALSE(convertor->Active());
  EXPECT_EQ(convertor->StreamHandle(), nullptr);
  EXPECT_EQ(convertor->SourceBuffer(), nullptr);
  EXPECT_EQ(script->openedSources.size(), 1u);
  EXPECT_EQ(script->streamsAlive, 0);
  // Nothing is stuck: the next open works.
  script->sizeResult = acm::kNoError;
  convertor->SetActive(true);
  EXPECT_TRUE(convertor->Active());
}

TEST_F(ConvertorTest, BufferSizeOfZeroOrBelowIsRefused) {
  for (std::int32_t size : {0, -1}) {
    convertor->SetInputBufferSize(size);
    EXPECT_EQ(MessageOf([&] { convertor->SetActive(true); }),
              "acmStreamSize: At least one parameter is invalid.");
    EXPECT_FALSE(convertor->Active());
    EXPECT_EQ(script->streamsAlive, 0);
  }
}

TEST_F(ConvertorTest, FailedCloseStillEndsInactive) {
  convertor->SetActive(true);
  // The stream disappears behind the component's back.
  acm::StreamHeader& header = convertor->StreamHeader();
  ASSERT_EQ(manager->StreamUnprepareHeader(convertor->StreamHandle(), header, 0), acm::kNoError);
  ASSERT_EQ(manager->StreamClose(convertor->StreamHandle(), 0), acm::kNoError);
  EXPECT_EQ(MessageOf([&] { convertor->SetActive(false); }),
            "acmStreamUnPrepareHeader: The specified handle is invalid.");
  EXPECT_FALSE(convertor->Active());
  EXPECT_EQ(convertor->StreamHandle(), nullptr);
  EXPECT_EQ(convertor->SourceBuffer(), nullptr);
  convertor->SetActive(true);
  EXPECT_TRUE(convertor->Active());
}

TEST_F(ConvertorTest, DestructionClosesTheStream) {
  convertor->SetActive(true);
  convertor.reset();
  EXPECT_EQ(script->streamsAlive, 0);
}

TEST_F(ConvertorTest, Defaults) {
  EXPECT_EQ(convertor->InputBufferSize(), 2048);
  EXPECT_FALSE(convertor->UseRealTime());
  EXPECT_FALSE(convertor->Active());
  EXPECT_EQ(convertor->StreamHandle(), nullptr);
  WaveFormatBlock expected;
  expected.bytes[0] = 1;                                  // PCM
  expected.bytes[2] = 1;                                  // channels
  expected.bytes[4] = 0x22, expected.bytes[5] = 0x56;     // 22050 Hz
  expected.bytes[8] = 0x22, expected.bytes[9] = 0x56;     // 22050 bytes/s
  expected.bytes[12] = 1;                                 // block alignment
  expected.bytes[14] = 8;                                 // bits
  expected.bytes[16] = 129;                               // cbSize
  EXPECT_EQ(convertor->ACMFormatIn(), expected);
  EXPECT_EQ(convertor->ACMFormatOut(), expected);
}

TEST_F(ConvertorTest, MainWindowValues) {
  convertor->SetInputBufferSize(100);
  convertor->UseMp3ToPcmFormats();
  EXPECT_EQ(convertor->InputBufferSize(), 2048);

  const std::uint8_t in[30] = {0x55, 0, 2, 0, 0xC0, 0x5D, 0, 0, 0x58, 0x1B, 0, 0, 1, 0, 0, 0, 12, 0,
                               1, 0, 2, 0, 0, 0, 168, 0, 1, 0, 0x71, 0x05};
  const auto& inBytes = convertor->ACMFormatIn().bytes;
  EXPECT_TRUE(std::equal(in, in + 30, inBytes.begin()));
  EXPECT_TRUE(std::all_of(inBytes.begin() + 30, inBytes.end(), [](auto b) { return b == 0; }));

  const std::uint8_t out[18] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 129, 0};
  const auto& outBytes = convertor->ACMFormatOut().bytes;
  EXPECT_TRUE(std::equal(out, out + 18, outBytes.begin()));
  EXPECT_TRUE(std::all_of(outBytes.begin() + 18, outBytes.end(), [](auto b) { return b == 0; }));
}

TEST(ConvertorStoredFormTest, WriteThenRead) {
  WaveFormatBlock block;
  for (std::size_t i = 0; i < block.bytes.size(); ++i) block.bytes[i] = static_cast<std::uint8_t>(i + 1);
  const std::vector<std::uint8_t> data = AcmConverter::WriteFormatBlock(block);
  ASSERT_EQ(data.size(), 133u);
  EXPECT_EQ(data[0], 129);
  EXPECT_EQ(data[1] | data[2] | data[3], 0);
  WaveFormatBlock read;
  ASSERT_TRUE(AcmConverter::ReadFormatBlock(data.data(), data.size(), read));
  EXPECT_EQ(read, block);
}

TEST(ConvertorStoredFormTest, CountAboveTheBlockFillsOnlyTheBlock) {
  std::vector<std::uint8_t> data = {200, 0, 0, 0};
  data.resize(4 + 200, 0xAB);
  WaveFormatBlock block;
  ASSERT_TRUE(AcmConverter::ReadFormatBlock(data.data(), data.size(), block));
  for (auto b : block.bytes) ASSERT_EQ(b, 0xAB);
}

TEST(ConvertorStoredFormTest, ShortCountKeepsTheRestAndTruncatedDataFails) {
  WaveFormatBlock block;
  block.bytes.fill(7);
  const std::vector<std::uint8_t> shortCount = {2, 0, 0, 0, 1, 2};
  ASSERT_TRUE(AcmConverter::ReadFormatBlock(shortCount.data(), shortCount.size(), block));
  EXPECT_EQ(block.bytes[0], 1);
  EXPECT_EQ(block.bytes[1], 2);
  EXPECT_EQ(block.bytes[2], 7);

  const WaveFormatBlock before = block;
  const std::vector<std::uint8_t> truncated = {129, 0, 0, 0, 9, 9, 9};
  EXPECT_FALSE(AcmConverter::ReadFormatBlock(truncated.data(), truncated.size(), block));
  EXPECT_FALSE(AcmConverter::ReadFormatBlock(truncated.data(), 3, block));
  EXPECT_EQ(block, before);
}

}  // namespace
