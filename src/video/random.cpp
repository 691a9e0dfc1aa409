#include "video/random.h"

namespace sonavix {

RandomGenerator& ProgramRandom() {
  // Seed 0 at every start; never reseeded, so runs continue the sequence.
  static RandomGenerator generator;
  return generator;
}

}  // namespace sonavix
