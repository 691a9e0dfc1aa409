#include "video/fft.h"

#include <cmath>
#include <utility>

namespace sonavix {

void FFT(int direction, int power, double* re, double* im) {
  const long n = 1L << power;

  // Bit-reversal permutation: element i goes to the index with its `power`
  // bits in reverse order.
  const long half = n >> 1;
  long j = 0;
  for (long i = 0; i < n - 1; ++i) {
    if (i < j) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
    long k = half;
    while (k <= j) {
      j -= k;
      k >>= 1;
    }
    j += k;
  }

  // `power` stages of butterflies. (c1, c2) is the stage's unit root: it
  // starts at -1 (the half turn of the two-point stage) and each stage takes
  // its half angle, negative for the forward direction. (u1, u2) runs
  // through the powers of that root inside a stage.
  double c1 = -1.0;
  double c2 = 0.0;
  long span = 1;
  for (int stage = 0; stage < power; ++stage) {
    const long step = span << 1;
    double u1 = 1.0;
    double u2 = 0.0;
    for (long first = 0; first < span; ++first) {
      for (long a = first; a < n; a += step) {
        const long b = a + span;
        const double t1 = u1 * re[b] - u2 * im[b];
        const double t2 = u1 * im[b] + u2 * re[b];
        re[b] = re[a] - t1;
        im[b] = im[a] - t2;
        re[a] += t1;
        im[a] += t2;
      }
      const double z = u1 * c1 - u2 * c2;
      u2 = u1 * c2 + u2 * c1;
      u1 = z;
    }
    c2 = std::sqrt((1.0 - c1) / 2.0);
    if (direction == 1) c2 = -c2;
    c1 = std::sqrt((1.0 + c1) / 2.0);
    span = step;
  }

  // Only the forward transform is scaled.
  if (direction == 1) {
    for (long i = 0; i < n; ++i) {
      re[i] /= static_cast<double>(n);
      im[i] /= static_cast<double>(n);
    }
  }
}

}  // namespace sonavix
