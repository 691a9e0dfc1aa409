// The radix-2 transform against the textbook sum, and its inverse.

#include "video/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace sonavix {
namespace {

using Complex = std::complex<double>;

// Irregular test signal: a few sines plus a small pseudo-random part.
void MakeSignal(int n, std::vector<double>& re, std::vector<double>& im) {
  re.resize(n);
  im.resize(n);
  unsigned state = 12345;
  for (int i = 0; i < n; ++i) {
    state = state * 1103515245u + 12345u;
    const double noise = static_cast<double>((state >> 8) % 2001) - 1000.0;
    re[i] = 9000.0 * std::sin(0.031 * i) + 2500.0 * std::cos(1.7 * i) + noise;
    im[i] = -7000.0 * std::cos(0.2 * i + 0.5) + 0.5 * noise;
  }
}

// X(k) = scale * sum x(n) e^(sign 2 pi i k n / N), angles reduced exactly.
std::vector<Complex> DirectTransform(const std::vector<double>& re, const std::vector<double>& im,
                                     int sign, double scale) {
  const auto n = static_cast<long>(re.size());
  std::vector<Complex> out(n);
  for (long k = 0; k < n; ++k) {
    Complex sum = 0.0;
    for (long t = 0; t < n; ++t) {
      const double angle = sign * 2.0 * std::numbers::pi * static_cast<double>((k * t) % n) / n;
      sum += Complex(re[t], im[t]) * std::polar(1.0, angle);
    }
    out[k] = sum * scale;
  }
  return out;
}

double Largest(const std::vector<Complex>& v) {
  double m = 0.0;
  for (const Complex& c : v) m = std::max(m, std::abs(c));
  return m;
}

TEST(videoFft, ForwardMatchesTheScaledSum) {
  for (int power : {1, 3, 11}) {
    const int n = 1 << power;
    std::vector<double> re, im;
    MakeSignal(n, re, im);
    const std::vector<Complex> expected = DirectTransform(re, im, -1, 1.0 / n);
    FFT(1, power, re.data(), im.data());
    const double tolerance = 1e-9 * Largest(expected);
    for (int k = 0; k < n; ++k) {
      EXPECT_NEAR(re[k], expected[k].real(), tolerance) << "power " << power << " bin " << k;
      EXPECT_NEAR(im[k], expected[k].imag(), tolerance) << "power " << power << " bin " << k;
    }
  }
}

TEST(videoFft, OtherDirectionsRunTheUnscaledInverse) {
  const int n = 256;
  std::vector<double> re, im;
  MakeSignal(n, re, im);
  const std::vector<Complex> expected = DirectTransform(re, im, +1, 1.0);
  for (int direction : {-1, 0, 2}) {
    std::vector<double> r = re, i = im;
    FFT(direction, 8, r.data(), i.data());
    const double tolerance = 1e-9 * Largest(expected);
    for (int k = 0; k < n; ++k) {
      ASSERT_NEAR(r[k], expected[k].real(), tolerance) << "direction " << direction;
      ASSERT_NEAR(i[k], expected[k].imag(), tolerance) << "direction " << direction;
    }
  }
}

TEST(videoFft, InverseAfterForwardRestoresTheInput) {
  std::vector<double> re, im;
  MakeSignal(2048, re, im);
  std::vector<double> r = re, i = im;
  FFT(1, 11, r.data(), i.data());
  FFT(-1, 11, r.data(), i.data());
  for (int k = 0; k < 2048; ++k) {
    ASSERT_NEAR(r[k], re[k], 1e-9 * 10000.0) << k;
    ASSERT_NEAR(i[k], im[k], 1e-9 * 10000.0) << k;
  }
}

}  // namespace
}  // namespace sonavix
