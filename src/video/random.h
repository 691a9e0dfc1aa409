#pragma once
// The program's one random generator: a linear congruential generator that
// starts from seed 0 at every program start, so the colours of the pictures
// come in the same order each time; the sequence runs on from run to run.

#include <cstdint>

namespace sonavix {

struct RandomGenerator {
  std::uint32_t seed = 0;

  // A random integer from 0 to n - 1.
  std::uint32_t Below(std::uint32_t n) {
    seed = seed * 134775813u + 1u;
    return static_cast<std::uint32_t>((std::uint64_t{n} * seed) >> 32);
  }
};

// The generator shared by the whole program.
RandomGenerator& ProgramRandom();

}  // namespace sonavix
