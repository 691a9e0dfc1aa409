// The audio compression layer's handle, flag and header rules, driven
// through scripted drivers that log what reaches them.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "mp3/acm.h"
#include "mp3/scripted_acm_driver.h"

namespace {

using namespace sonavix;
using namespace sonavix::acm;
using Script = std::shared_ptr<ScriptedAcmScript>;

ReportedFormat Format(std::uint16_t tag, std::uint32_t rate, std::uint32_t size) {
  ReportedFormat f;
  f.block.SetFormatTag(tag);
  f.block.SetChannels(2);
  f.block.SetSamplesPerSec(rate);
  for (std::uint32_t i = kWaveFormatHeaderSize; i < size; ++i) f.block.bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
  f.size = size;
  return f;
}

class AcmTest : public ::testing::Test {
 protected:
  // Three drivers: "first" refuses every stream, "second" is disabled,
  // "third" accepts.
  AcmTest() {
    first_->name = "first";
    first_->openResult = kNotPossible;
    first_->formats = {Format(kWaveFormatMpegLayer3, 44100, 30), Format(kWaveFormatPcm, 44100, 16),
                       Format(kWaveFormatMpegLayer3, 22050, 30)};
    second_->name = "second";
    second_->disabled = true;
    third_->name = "third";
    std::vector<std::unique_ptr<AcmDriver>> drivers;
    for (const Script& s : {first_, second_, third_}) drivers.push_back(std::make_unique<ScriptedAcmDriver>(s));
    manager_ = std::make_unique<AcmManager>(std::move(drivers));
  }

  std::vector<DriverId> Ids(std::uint32_t flags, std::vector<std::uint32_t>* support = nullptr) {
    std::vector<DriverId> ids;
    EXPECT_EQ(manager_->DriverEnum([&](DriverId id, std::uint32_t s) {
      ids.push_back(id);
      if (support) support->push_back(s);
      return true;
    }, flags), kNoError);
    return ids;
  }
  StreamHandle OpenThirdStream() {
    StreamHandle stream = nullptr;
    EXPECT_EQ(manager_->StreamOpen(&stream, nullptr, WaveFormatBlock{}, WaveFormatBlock{}, nullptr, 0, 0, 0), kNoError);
    return stream;
  }
  StreamHeader Header(std::uint32_t srcLength, std::uint32_t dstLength) {
    src_.assign(srcLength, 0);
    for (std::uint32_t i = 0; i < srcLength; ++i) src_[i] = static_cast<std::uint8_t>(i);
    dst_.assign(dstLength, 0);
    StreamHeader h;
    h.pbSrc = src_.data();
    h.cbSrcLength = srcLength;
    h.pbDst = dst_.data();
    h.cbDstLength = dstLength;
    return h;
  }

  Script first_ = std::make_shared<ScriptedAcmScript>(), second_ = std::make_shared<ScriptedAcmScript>(),
         third_ = std::make_shared<ScriptedAcmScript>();
  std::unique_ptr<AcmManager> manager_;
  std::vector<std::uint8_t> src_, dst_;
};

TEST_F(AcmTest, DriverEnumerationShowsDisabledDriversOnlyWhenAsked) {
  std::vector<std::uint32_t> support;
  const std::vector<DriverId> all = Ids(kDriverEnumDisabled, &support);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(manager_->DriverName(all[0]), "first");
  EXPECT_EQ(manager_->DriverName(all[1]), "second");
  EXPECT_EQ(support, (std::vector<std::uint32_t>{kDriverSupportCodec, kDriverSupportCodec | kDriverSupportDisabled,
                                                 kDriverSupportCodec}));
  EXPECT_EQ(Ids(0), (std::vector<DriverId>{all[0], all[2]}));

  int calls = 0;
  EXPECT_EQ(manager_->DriverEnum([&](DriverId, std::uint32_t) { return ++calls < 1; }, 0), kNoError);
  EXPECT_EQ(calls, 1) << "returning false ends the enumeration";
  EXPECT_EQ(manager_->DriverEnum([](DriverId, std::uint32_t) { return true; }, 0x1), kInvalidFlag);
  EXPECT_EQ(manager_->DriverName(reinterpret_cast<DriverId>(&calls)), "");
}

TEST_F(AcmTest, HandlesAreCheckedAgainstTheLiveOnes) {
  const DriverId id = Ids(0)[0];
  DriverHandle driver = nullptr;
  EXPECT_EQ(manager_->DriverOpen(nullptr, id, 0), kInvalidParam);
  EXPECT_EQ(manager_->DriverOpen(&driver, reinterpret_cast<DriverId>(&driver), 0), kInvalidHandle);
  EXPECT_EQ(manager_->DriverOpen(&driver, id, 1), kInvalidFlag);
  ASSERT_EQ(manager_->DriverOpen(&driver, id, 0), kNoError);
  EXPECT_EQ(manager_->DriverClose(driver, 1), kInvalidFlag);
  EXPECT_EQ(manager_->DriverClose(driver, 0), kNoError);
  EXPECT_EQ(manager_->DriverClose(driver, 0), kInvalidHandle) << "closed already";

  std::uint8_t buffer[64];
  FormatDetails details;
  details.pwfx = buffer;
  details.cbwfx = sizeof buffer;
  EXPECT_EQ(manager_->FormatEnum(driver, details, [](DriverId, FormatDetails&, std::uint32_t) { return true; }, 0),
            kInvalidHandle);

  StreamHandle stream = OpenThirdStream();
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(third_->streamsAlive, 1);
  std::uint32_t size = 0;
  EXPECT_EQ(manager_->StreamSize(stream, 10, &size, 0), kNoError);
  EXPECT_EQ(size, 20u);
  EXPECT_EQ(manager_->StreamSize(stream, 10, nullptr, 0), kInvalidParam);
  EXPECT_EQ(manager_->StreamSize(stream, 10, &size, 2), kInvalidFlag);
  EXPECT_EQ(manager_->StreamReset(stream, 0), kNoError);
  EXPECT_EQ(third_->resets, 1);
  EXPECT_EQ(manager_->StreamClose(stream, 0), kNoError);
  EXPECT_EQ(third_->streamsAlive, 0);

  StreamHeader header = Header(8, 8);
  EXPECT_EQ(manager_->StreamSize(stream, 10, &size, 0), kInvalidHandle);
  EXPECT_EQ(manager_->StreamPrepareHeader(stream, header, 0), kInvalidHandle);
  EXPECT_EQ(manager_->StreamConvert(stream, header, 0), kInvalidHandle);
  EXPECT_EQ(manager_->StreamReset(stream, 0), kInvalidHandle);
  EXPECT_EQ(manager_->StreamClose(stream, 0), kInvalidHandle);
  EXPECT_EQ(manager_->StreamClose(reinterpret_cast<StreamHandle>(&header), 0), kInvalidHandle);
}

TEST_F(AcmTest, FormatEnumerationCopiesAtMostTheBufferAndFiltersByTag) {
  DriverHandle driver = nullptr;
  ASSERT_EQ(manager_->DriverOpen(&driver, Ids(0)[0], 0), kNoError);
  std::vector<std::uint8_t> buffer(129, 0xEE);
  FormatDetails details;
  details.dwFormatTag = kWaveFormatMpegLayer3;
  details.pwfx = buffer.data();
  details.cbwfx = 20;
  struct Seen { std::uint32_t index, tag, size; std::uint8_t lastCopied, afterCopy; };
  std::vector<Seen> seen;
  const auto record = [&](DriverId, FormatDetails& d, std::uint32_t support) {
    EXPECT_EQ(support, kDriverSupportCodec);
    EXPECT_FALSE(d.szFormat.empty());
    seen.push_back({d.dwFormatIndex, d.dwFormatTag, d.cbwfx, d.pwfx[d.cbwfx - 1], buffer[20]});
    return true;
  };
  ASSERT_EQ(manager_->FormatEnum(driver, details, record, 0), kNoError);
  ASSERT_EQ(seen.size(), 3u) << "flag 0 reports every tag";
  EXPECT_EQ(seen[1].tag, kWaveFormatPcm);
  for (const Seen& s : seen) EXPECT_EQ(s.afterCopy, 0xEE) << "nothing beyond the 20-byte buffer is written";
  EXPECT_EQ(seen[0].size, 20u);
  EXPECT_EQ(seen[0].lastCopied, 0xA0 + 19);
  EXPECT_EQ(seen[1].size, 16u) << "a format shorter than the buffer copies its own size";
  EXPECT_EQ(seen[2].size, 20u) << "the buffer size is remembered across callbacks";

  seen.clear();
  details.cbwfx = 129;
  details.dwFormatTag = kWaveFormatMpegLayer3;
  ASSERT_EQ(manager_->FormatEnum(driver, details, record, kFormatEnumWfxTag), kNoError);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].index, 0u);
  EXPECT_EQ(seen[1].index, 2u);
  EXPECT_EQ(seen[1].size, 30u);

  int calls = 0;
  const auto stopAtOnce = [&](DriverId, FormatDetails&, std::uint32_t) { return ++calls < 1; };
  EXPECT_EQ(manager_->FormatEnum(driver, details, stopAtOnce, 0), kNoError);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(manager_->FormatEnum(driver, details, record, 0x2), kInvalidFlag);
  details.cbwfx = 17;
  EXPECT_EQ(manager_->FormatEnum(driver, details, record, 0), kInvalidParam);
  details.cbwfx = 129;
  details.cbStruct = 151;
  EXPECT_EQ(manager_->FormatEnum(driver, details, record, 0), kInvalidParam);
  details.cbStruct = 152;
  details.pwfx = nullptr;
  EXPECT_EQ(manager_->FormatEnum(driver, details, record, 0), kInvalidParam);
}

TEST_F(AcmTest, StreamOpenAsksEnabledDriversInTurn) {
  WaveFormatBlock source, destination;
  source.SetFormatTag(kWaveFormatMpegLayer3);
  destination.SetFormatTag(kWaveFormatPcm);
  StreamHandle stream = nullptr;
  ASSERT_EQ(manager_->StreamOpen(&stream, nullptr, source, destination, nullptr, 0, 0, kStreamOpenNonRealtime),
            kNoError);
  EXPECT_EQ(first_->openedSources.size(), 1u) << "asked first, refused";
  EXPECT_TRUE(second_->openedSources.empty()) << "disabled drivers are not asked";
  ASSERT_EQ(third_->openedSources.size(), 1u);
  EXPECT_EQ(third_->openedSources[0], source);
  EXPECT_EQ(third_->openedDestinations[0], destination);
  EXPECT_EQ(third_->openFlags[0], kStreamOpenNonRealtime);
  EXPECT_EQ(third_->streamsAlive, 1);

  EXPECT_EQ(manager_->StreamOpen(nullptr, nullptr, source, destination, nullptr, 0, 0, kStreamOpenQuery), kNoError);
  EXPECT_EQ(third_->streamsAlive, 1) << "a query makes no stream";
  EXPECT_EQ(manager_->StreamOpen(&stream, nullptr, source, destination, nullptr, 0, 0, 0x100), kInvalidFlag);
  EXPECT_EQ(manager_->StreamOpen(&stream, nullptr, source, destination, &source, 0, 0, 0), kInvalidParam);
  EXPECT_EQ(manager_->StreamOpen(&stream, nullptr, source, destination, nullptr, 1, 0, 0), kInvalidParam);
  EXPECT_EQ(manager_->StreamOpen(nullptr, nullptr, source, destination, nullptr, 0, 0, 0), kInvalidParam);

  third_->openResult = kNotPossible;
  EXPECT_EQ(manager_->StreamOpen(&stream, nullptr, source, destination, nullptr, 0, 0, 0), kNotPossible);
  EXPECT_EQ(stream, nullptr);

  // By handle, only that driver is asked, disabled or not.
  DriverHandle second = nullptr;
  ASSERT_EQ(manager_->DriverOpen(&second, Ids(kDriverEnumDisabled)[1], 0), kNoError);
  const std::size_t firstAsked = first_->openedSources.size();
  ASSERT_EQ(manager_->StreamOpen(&stream, second, source, destination, nullptr, 0, 0, 0), kNoError);
  EXPECT_EQ(first_->openedSources.size(), firstAsked);
  EXPECT_EQ(second_->streamsAlive, 1);
  manager_.reset();
  EXPECT_EQ(second_->streamsAlive, 0) << "the layer closes what is left";
  EXPECT_EQ(third_->streamsAlive, 0);
}

TEST(Acm, StreamOpenWithoutEnabledDriversFindsNoDriver) {
  auto script = std::make_shared<ScriptedAcmScript>();
  script->disabled = true;
  std::vector<std::unique_ptr<AcmDriver>> drivers;
  drivers.push_back(std::make_unique<ScriptedAcmDriver>(script));
  AcmManager manager(std::move(drivers));
  StreamHandle stream = nullptr;
  EXPECT_EQ(manager.StreamOpen(&stream, nullptr, WaveFormatBlock{}, WaveFormatBlock{}, nullptr, 0, 0, 0), kNoDriver);
}

TEST_F(AcmTest, HeadersArePreparedConvertedAndUnpreparedPerStream) {
  StreamHandle stream = OpenThirdStream();
  StreamHandle other = OpenThirdStream();
  StreamHeader header = Header(8, 6);
  EXPECT_EQ(manager_->StreamConvert(stream, header, 0), kUnprepared);
  EXPECT_EQ(manager_->StreamUnprepareHeader(stream, header, 0), kUnprepared);
  {
    StreamHeader bad = header;
    bad.cbStruct = 83;
    EXPECT_EQ(manager_->StreamPrepareHeader(stream, bad, 0), kInvalidParam);
    bad = header;
    bad.cbSrcLength = 0;
    EXPECT_EQ(manager_->StreamPrepareHeader(stream, bad, 0), kInvalidParam);
    bad = header;
    bad.pbDst = nullptr;
    EXPECT_EQ(manager_->StreamPrepareHeader(stream, bad, 0), kInvalidParam);
  }
  EXPECT_EQ(manager_->StreamPrepareHeader(stream, header, 1), kInvalidFlag);
  ASSERT_EQ(manager_->StreamPrepareHeader(stream, header, 0), kNoError);
  EXPECT_TRUE(header.fdwStatus & kHeaderPrepared);
  EXPECT_EQ(header.preparedSrcLength, 8u);
  EXPECT_EQ(header.preparedDstLength, 6u);
  EXPECT_EQ(manager_->StreamConvert(other, header, 0), kUnprepared) << "prepared on another stream";
  EXPECT_EQ(manager_->StreamPrepareHeader(other, header, 0), kBusy);

  // The scripted driver copies min(source, destination) bytes.
  ASSERT_EQ(manager_->StreamConvert(stream, header, kConvertStart | kConvertBlockAlign), kNoError);
  EXPECT_EQ(header.cbSrcLengthUsed, 6u);
  EXPECT_EQ(header.cbDstLengthUsed, 6u);
  EXPECT_TRUE(header.fdwStatus & kHeaderDone);
  EXPECT_EQ(dst_, (std::vector<std::uint8_t>{0, 1, 2, 3, 4, 5}));
  ASSERT_EQ(third_->converts.size(), 1u);
  EXPECT_EQ(third_->converts[0].flags, kConvertStart | kConvertBlockAlign);
  EXPECT_EQ(third_->converts[0].data.size(), 8u);

  header.cbSrcLength = 3;
  third_->convertResult = kNotPossible;
  EXPECT_EQ(manager_->StreamConvert(stream, header, kConvertEnd), kNotPossible);
  EXPECT_EQ(header.cbSrcLengthUsed, 0u);
  EXPECT_EQ(header.cbDstLengthUsed, 0u);
  EXPECT_EQ(third_->converts.back().srcLength, 3u);
  EXPECT_EQ(manager_->StreamConvert(stream, header, 0x40), kInvalidFlag);
  header.cbSrcLength = 9;
  EXPECT_EQ(manager_->StreamConvert(stream, header, 0), kInvalidParam) << "longer than prepared";
  header.cbSrcLength = 8;
  header.cbDstLength = 7;
  EXPECT_EQ(manager_->StreamConvert(stream, header, 0), kInvalidParam);
  header.cbDstLength = 6;

  EXPECT_EQ(manager_->StreamClose(stream, 0), kBusy);
  EXPECT_EQ(manager_->StreamUnprepareHeader(other, header, 0), kUnprepared);
  ASSERT_EQ(manager_->StreamUnprepareHeader(stream, header, 0), kNoError);
  EXPECT_EQ(header.fdwStatus & (kHeaderPrepared | kHeaderDone), 0u);
  EXPECT_EQ(manager_->StreamConvert(stream, header, 0), kUnprepared);
  EXPECT_EQ(manager_->StreamClose(stream, 0), kNoError);
  EXPECT_EQ(manager_->StreamClose(other, 0), kNoError);
}

TEST_F(AcmTest, StreamResultsOfTheDriverPassThrough) {
  StreamHandle stream = OpenThirdStream();
  third_->sizeResult = kNoMemory;
  third_->resetResult = kInvalidParam;
  std::uint32_t size = 0;
  EXPECT_EQ(manager_->StreamSize(stream, 4, &size, kStreamSizeDestination), kNoMemory);
  EXPECT_EQ(manager_->StreamReset(stream, 0), kInvalidParam);
  EXPECT_EQ(manager_->StreamReset(stream, 1), kInvalidFlag);
}

}  // namespace
