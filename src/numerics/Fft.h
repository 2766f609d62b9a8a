#pragma once

#include <cstdint>

namespace pelmor {

// A complex number as two doubles, real part then imaginary part; arrays are contiguous.
struct Complex {
    double re = 0.0;
    double im = 0.0;
};
static_assert(sizeof(Complex) == 16);

// In-place radix-2 transform of 2^log2n points. Only bit 0 of direction counts: 0 forward
// (scaled by 1/N, X[k] = (1/N) sum x[n] e^(-2 pi i k n / N)), 1 inverse (not scaled), so an
// inverse after a forward transform restores the input.
void Fft(int direction, int log2n, Complex* data);

// Replaces the n real samples held in data (as n/2 complex values: even samples in the real
// parts, odd in the imaginary parts) by n/2 (bin, power) pairs. binWidth <= 0 gives the squared
// peak amplitude of each bin's sinusoid, binWidth > 0 a one-sided power density; bin 0 holds the
// squared mean. Does nothing unless n is a power of two.
void PowerSpectrum(int n, Complex* data, double binWidth);

}  // namespace pelmor
