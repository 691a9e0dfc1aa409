// The program's colour generator.

#include "video/random.h"

#include <gtest/gtest.h>

namespace sonavix {
namespace {

TEST(videoRandom, FirstNumbersFromSeedZero) {
  // seed 0 -> 1 -> 134775814 -> 134775813 * 134775814 + 1 = 3698175007 (mod 2^32)
  // -> 870078620; Below(n) = n * seed / 2^32, rounded down.
  RandomGenerator random;
  EXPECT_EQ(random.Below(127), 0u);  // 127 * 1 >> 32
  EXPECT_EQ(random.seed, 1u);
  EXPECT_EQ(random.Below(127), 3u);  // 17116528378 / 4294967296 = 3.98
  EXPECT_EQ(random.seed, 134775814u);
  EXPECT_EQ(random.Below(127), 109u);
  EXPECT_EQ(random.seed, 3698175007u);
  EXPECT_EQ(random.Below(196), 39u);  // 196 * 870078620 / 2^32 = 39.7
  EXPECT_EQ(random.seed, 870078620u);
}

TEST(videoRandom, ProgramGeneratorIsSharedAndRunsOn) {
  RandomGenerator& first = ProgramRandom();
  EXPECT_EQ(&first, &ProgramRandom());
  RandomGenerator expected = first;
  ProgramRandom().Below(127);
  expected.Below(127);
  EXPECT_EQ(ProgramRandom().seed, expected.seed);
}

}  // namespace
}  // namespace sonavix
