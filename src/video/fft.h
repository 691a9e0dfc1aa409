#pragma once
// In-place complex Fourier transform of 2^power points by the iterative
// radix-2 method. direction 1 is the forward transform scaled by 1/N; any
// other value runs the inverse transform without scaling.

namespace sonavix {

void FFT(int direction, int power, double* re, double* im);

}  // namespace sonavix
