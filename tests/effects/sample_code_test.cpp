// The sample loops in each build the processor can run, against the plain
// formula on every 16-bit value (or every value of a range): the build may change the speed, never a
// byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "document/sample_code.h"
#include "effects/echo.h"
#include "effects/full_scale.h"
#include "effects/volume.h"
#include "test_sounds.h"

namespace sonavix::testing {
namespace {

// Every 16-bit value once, in an odd order so that neighbours differ.
std::vector<std::int16_t> EveryValue() {
  std::vector<std::int16_t> values(65536);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::int16_t>(i * 40503u);
  return values;
}

class EveryBuild : public ::testing::TestWithParam<SampleCode> {
 protected:
  void SetUp() override {
    if (!CanRun(GetParam())) GTEST_SKIP() << "this processor cannot run the build";
    UseSampleCode(GetParam());
  }
  void TearDown() override { UseSampleCode(before_); }

 private:
  SampleCode before_ = ActiveSampleCode();
};

TEST_P(EveryBuild, LouderAndQuieterKeepTheirFormulaOnEveryValue) {
  const std::vector<std::int16_t> values = EveryValue();
  AudioDocument louder = Sound16(false, 44100, values);
  AudioDocument quieter = Sound16(false, 44100, values);
  MakeLouder(louder);
  MakeQuieter(quieter);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::int32_t v = values[i];
    ASSERT_EQ(louder.Sample16(static_cast<std::int64_t>(i)), std::clamp(v * 110 / 100, -32768, 32767)) << v;
    ASSERT_EQ(quieter.Sample16(static_cast<std::int64_t>(i)), v * 100 / 110) << v;
  }
}

// Maximum volume finds the peak and scales by it: every value of ranges
// whose peak is their top, and of ones whose peak is their bottom (up to
// -32768), for peaks small and large, powers of two and their neighbours.
TEST_P(EveryBuild, MaximumVolumeKeepsItsFormulaOnEveryValueOfItsRange) {
  for (const auto& [low, high] : {std::pair{-12344, 12345}, std::pair{-32768, 20000}, std::pair{-1, 1},
                                  std::pair{0, 2}, std::pair{-3, 3}, std::pair{-255, 100}, std::pair{-256, 256},
                                  std::pair{-4000, 4097}, std::pair{-16384, 0}, std::pair{-29999, 29999},
                                  std::pair{-32767, 32767}, std::pair{-32768, 32767}}) {
    std::vector<std::int16_t> values;
    for (std::int32_t v = low; v <= high; ++v) values.push_back(static_cast<std::int16_t>(v));
    AudioDocument doc = Sound16(false, 44100, values);
    MaximumVolume(doc);
    const std::int32_t peak = std::max(high, -low);
    for (std::size_t i = 0; i < values.size(); ++i) {
      const std::int32_t v = values[i];
      ASSERT_EQ(doc.Sample16(static_cast<std::int64_t>(i)), std::min(v * 32768 / peak, 32767)) << v;
    }
  }
}

// The pass after the peak is found, for every peak there is: values spread
// over -peak ... peak with both ends, enough for the vector lanes and a
// remainder after them. The plain build works out a table per peak, the
// formula itself, so a spread of peaks does for it.
TEST_P(EveryBuild, MaximumVolumeScalesEveryPeakByItsFormula) {
  std::vector<std::int16_t> values(37);
  AudioDocument doc = Sound16(false, 44100, values);
  const std::int32_t step = GetParam() == SampleCode::Plain ? 257 : 1;
  for (std::int32_t peak = 1; peak <= 32768; peak = peak < 32768 && peak + step > 32768 ? 32768 : peak + step) {
    const std::int32_t top = std::min(peak, 32767);
    for (std::size_t j = 0; j < values.size(); ++j)
      values[j] = static_cast<std::int16_t>(-peak + static_cast<std::int32_t>(j) * (top + peak) / 36);
    values[7] = static_cast<std::int16_t>(top - 1);
    values[20] = static_cast<std::int16_t>(1 - peak);
    std::memcpy(doc.SampleData.get(), values.data(), 2 * values.size());  // little-endian, as stored
    MaximumVolume(doc, ByteSpan{0, doc.DataSize}, peak);
    std::int16_t got[37];
    std::memcpy(got, doc.SampleData.get(), sizeof got);
    for (std::size_t i = 0; i < values.size(); ++i) {
      const std::int32_t v = values[i];
      if (got[i] != std::clamp(v * 32768 / peak, -32768, 32767))  // one check per value, quietly
        FAIL() << v << " with the peak " << peak << " gave " << got[i];
    }
    // Undo in the wide builds works the quotients back.
    if (!UnscaleFromFullScaleInLanes(doc.SampleData.get(), values.size(), peak)) continue;
    std::memcpy(got, doc.SampleData.get(), sizeof got);
    for (std::size_t i = 0; i < values.size(); ++i)
      if (got[i] != values[i]) FAIL() << values[i] << " with the peak " << peak << " came back as " << got[i];
  }
}

// The echo's mean, halved toward zero, on every 16-bit value against a
// spread of earlier ones, the extremes among them.
TEST_P(EveryBuild, EchoKeepsItsMeanOnEveryValue) {
  const std::vector<std::int16_t> values = EveryValue();
  std::vector<std::int16_t> samples = values;
  samples.insert(samples.end(), values.rbegin(), values.rend());  // two rounds: the echo feeds back
  samples.insert(samples.begin(), {-32768, 32767, -1, 1});
  AudioDocument doc = Sound16(false, 8000, samples);
  const std::int64_t delay = 3 * 8000 / 2;  // 1.5 s
  AddEcho(doc, 1.5);
  std::vector<std::int32_t> expected(samples.begin(), samples.end());
  for (std::size_t i = delay; i < expected.size(); ++i) expected[i] = (expected[i] + expected[i - delay]) / 2;
  for (std::size_t i = 0; i < expected.size(); ++i)
    ASSERT_EQ(doc.Sample16(static_cast<std::int64_t>(i)), expected[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(SampleCode, EveryBuild,
                         ::testing::Values(SampleCode::Plain, SampleCode::Avx2, SampleCode::Avx512),
                         [](const auto& info) {
                           std::string name = SampleCodeName(info.param);
                           std::erase(name, '-');
                           return name;
                         });

}  // namespace
}  // namespace sonavix::testing
