#include "numerics/Fft.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace pelmor {

void Fft(int direction, int log2n, Complex* data) {
    if (log2n < 0 || log2n > 30) return;
    const int64_t n = int64_t{1} << log2n;

    // Bit-reversal permutation with a running reversed counter.
    int64_t b = 0;
    for (int64_t j = 0; j < n - 1; ++j) {
        if (b > j) std::swap(data[j], data[b]);
        int64_t m = n / 2;
        while (m >= 1 && m <= b) {
            b -= m;
            m /= 2;
        }
        b += m;
    }

    // Butterflies are visited a block of twiddles at a time, every group of the stage per block,
    // so memory is walked contiguously. The twiddles come from the same running rotation
    // w = w * (cos theta + i sin theta) in the same order, so the result is the same to the bit
    // as visiting each twiddle across all groups.
    constexpr int64_t kBlock = 64;
    double twr[kBlock], twi[kBlock];
    const double sign = (direction & 1) ? 1.0 : -1.0;
    for (int64_t m = 1; m < n; m *= 2) {
        const double theta = sign * std::numbers::pi / static_cast<double>(m);
        const double c = std::cos(theta);
        const double s = std::sin(theta);
        double wr = 1.0, wi = 0.0;
        for (int64_t kb = 0; kb < m; kb += kBlock) {
            const int64_t count = std::min(kBlock, m - kb);
            for (int64_t j = 0; j < count; ++j) {
                twr[j] = wr;
                twi[j] = wi;
                const double nr = wr * c - wi * s;
                wi = wr * s + wi * c;
                wr = nr;
            }
            for (int64_t g = kb; g < n; g += 2 * m) {
                Complex* a = data + g;
                Complex* b = data + g + m;
                for (int64_t j = 0; j < count; ++j) {
                    const double tr = twr[j] * b[j].re - twi[j] * b[j].im;
                    const double ti = twr[j] * b[j].im + twi[j] * b[j].re;
                    b[j].re = a[j].re - tr;
                    b[j].im = a[j].im - ti;
                    a[j].re += tr;
                    a[j].im += ti;
                }
            }
        }
    }

    if (!(direction & 1)) {
        const double scale = 1.0 / static_cast<double>(n);
        for (int64_t i = 0; i < n; ++i) {
            data[i].re *= scale;
            data[i].im *= scale;
        }
    }
}

void PowerSpectrum(int n, Complex* data, double binWidth) {
    if (n < 2) return;
    const int m = static_cast<int>(std::lround(std::log(static_cast<double>(n)) / std::log(2.0)));
    if (m < 1 || m > 30 || n != (1 << m)) return;

    const int half = n / 2;
    Fft(0, m - 1, data);
    const double factor = binWidth > 0 ? 8.0 * binWidth : 4.0;
    const Complex z0 = data[0];
    for (int i = 1; i <= half / 2; ++i) {
        const double theta = 2.0 * std::numbers::pi * i / n;
        const double c = std::cos(theta), s = std::sin(theta);
        const Complex p = data[i];
        const Complex q = data[half - i];
        const double u = p.re + q.re, v = p.im + q.im;
        const double dr = p.re - q.re, di = p.im - q.im;
        const double wv = dr * s - v * c;
        const double lv = dr * c + v * s;
        data[i] = {static_cast<double>(i), ((u - wv) * (u - wv) + (di - lv) * (di - lv)) / factor};
        data[half - i] = {static_cast<double>(half - i),
                          ((u + wv) * (u + wv) + (di + lv) * (di + lv)) / factor};
    }
    data[0] = {0.0, (z0.re + z0.im) * (z0.re + z0.im) * 0.25};
}

}  // namespace pelmor
