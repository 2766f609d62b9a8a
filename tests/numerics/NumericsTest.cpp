#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "numerics/Fft.h"
#include "numerics/Random.h"
#include "numerics/Statistics.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(Fft, ConstantGivesBinZeroOnly) {
    std::vector<Complex> d(64, Complex{2.5, -1.0});
    Fft(0, 6, d.data());
    EXPECT_NEAR(d[0].re, 2.5, 1e-15);
    EXPECT_NEAR(d[0].im, -1.0, 1e-15);
    for (int k = 1; k < 64; ++k) {
        EXPECT_NEAR(d[k].re, 0, 1e-15);
        EXPECT_NEAR(d[k].im, 0, 1e-15);
    }
}

TEST(Fft, CosineGivesHalfInItsTwoBins) {
    const int n = 1024, k = 37;
    std::vector<Complex> d(n);
    for (int j = 0; j < n; ++j) d[j].re = std::cos(2 * kPi * k * j / n);
    Fft(0, 10, d.data());
    for (int b = 0; b < n; ++b) {
        double expected = (b == k || b == n - k) ? 0.5 : 0.0;
        EXPECT_NEAR(d[b].re, expected, 1e-12) << b;
        EXPECT_NEAR(d[b].im, 0.0, 1e-12) << b;
    }
}

TEST(Fft, MatchesTheDefinitionAndInverseRestores) {
    const int n = 32;
    std::vector<Complex> x(n);
    KissRandom r;
    r.Seed(7);
    for (auto& c : x) c = {r.Uniform() - 0.5, r.Uniform() - 0.5};
    std::vector<Complex> d = x;
    Fft(0, 5, d.data());
    for (int k = 0; k < n; ++k) {
        double re = 0, im = 0;
        for (int j = 0; j < n; ++j) {
            double a = -2 * kPi * k * j / n;
            re += x[j].re * std::cos(a) - x[j].im * std::sin(a);
            im += x[j].re * std::sin(a) + x[j].im * std::cos(a);
        }
        EXPECT_NEAR(d[k].re, re / n, 1e-14);
        EXPECT_NEAR(d[k].im, im / n, 1e-14);
    }
    Fft(3, 5, d.data());  // only bit 0 of the direction counts
    for (int j = 0; j < n; ++j) {
        EXPECT_NEAR(d[j].re, x[j].re, 1e-14);
        EXPECT_NEAR(d[j].im, x[j].im, 1e-14);
    }
    Complex one{4.0, 5.0};
    Fft(0, 0, &one);  // a single point is its own transform
    EXPECT_EQ(one.re, 4.0);
}

TEST(PowerSpectrum, CosinePlusOffset) {
    const int n = 1024;
    const double a = 1.7, dc = 0.3;
    std::vector<double> x(n);
    for (int j = 0; j < n; ++j) x[j] = a * std::cos(2 * kPi * 8 * j / n) + dc;
    std::vector<Complex> d(n / 2);
    for (int i = 0; i < n / 2; ++i) d[i] = {x[2 * i], x[2 * i + 1]};
    PowerSpectrum(n, d.data(), 0.0);
    for (int k = 0; k < n / 2; ++k) EXPECT_EQ(d[k].re, k);
    EXPECT_NEAR(d[8].im, a * a, 1e-12);
    EXPECT_NEAR(d[0].im, dc * dc, 1e-12);
    EXPECT_NEAR(d[9].im, 0, 1e-12);
    EXPECT_NEAR(d[n / 4].im, 0, 1e-12);

    // A power density: 2|X|^2 / binWidth.
    for (int i = 0; i < n / 2; ++i) d[i] = {x[2 * i], x[2 * i + 1]};
    PowerSpectrum(n, d.data(), 0.5);
    EXPECT_NEAR(d[8].im, 2 * (a / 2) * (a / 2) / 0.5, 1e-12);
    EXPECT_NEAR(d[0].im, dc * dc, 1e-12);
}

TEST(PowerSpectrum, NotAPowerOfTwoIsLeftAlone) {
    std::vector<Complex> d(500, Complex{1.0, 2.0});
    PowerSpectrum(1000, d.data(), 0.0);
    for (const auto& c : d) {
        EXPECT_EQ(c.re, 1.0);
        EXPECT_EQ(c.im, 2.0);
    }
}

TEST(Statistics, SumMeanVariance) {
    const double v[] = {1, 2, 3, 4};
    EXPECT_EQ(Sum(4, v), 10.0);
    EXPECT_EQ(Sum(0, v), 0.0);
    EXPECT_EQ(Sum(-3, v), 0.0);
    EXPECT_EQ(Mean(4, v), 2.5);
    EXPECT_DOUBLE_EQ(Variance(4, v), 5.0 / 3.0);
    EXPECT_DOUBLE_EQ(StandardDeviation(4, v), std::sqrt(5.0 / 3.0));
    EXPECT_EQ(Variance(1, v), 0.0);
    EXPECT_TRUE(std::isnan(Mean(0, v)));
}

TEST(Random, FixedSeedSequenceAndBounds) {
    // The reference: the generator written out longhand.
    uint32_t z = 362436069u, w = 521288629u, jcong = 12345, jsr = 12345, mwc = 0;
    auto step = [&] {
        z = 36969u * (z & 65535u) + (z >> 16);
        w = 18000u * (w & 65535u) + (w >> 16);
        mwc = (z << 16) + w;
        jcong = 69069u * jcong + 1234567u;
        jsr ^= jsr << 17;
        jsr ^= jsr >> 13;
        jsr ^= jsr << 5;
    };
    for (int i = 0; i < 999; ++i) step();
    SeedRandom(12345);
    for (int i = 0; i < 1000; ++i) {
        step();
        double expected = static_cast<int32_t>((mwc ^ jcong) + jsr) * 2.328306e-10 + 0.5;
        ASSERT_EQ(RandomUniform(), expected) << i;
    }
    double lo = 1, hi = 0;
    for (int i = 0; i < 200000; ++i) {
        double u = RandomUniform();
        lo = std::min(lo, u);
        hi = std::max(hi, u);
    }
    EXPECT_GT(lo, 0.0);
    EXPECT_LT(hi, 1.0);
    EXPECT_LT(lo, 1e-4);
    EXPECT_GT(hi, 1 - 1e-4);
}

TEST(Random, SeedZeroUsesTheClock) {
    test::FakeClock clock;
    clock.calendarSeconds = 100003;
    SeedRandom(0, &clock);
    double a = RandomUniform();
    SeedRandom(100003u * 100003u);
    EXPECT_EQ(a, RandomUniform());
}

}  // namespace
}  // namespace pelmor

namespace pelmor {
namespace {

// The textbook loop order: every group for one twiddle, the twiddle advanced after each k.
void ReferenceFft(int direction, int log2n, Complex* data) {
    const int n = 1 << log2n;
    int b = 0;
    for (int j = 0; j < n - 1; ++j) {
        if (b > j) std::swap(data[j], data[b]);
        int m = n / 2;
        while (m >= 1 && m <= b) {
            b -= m;
            m /= 2;
        }
        b += m;
    }
    for (int m = 1; m < n; m *= 2) {
        const double theta = ((direction & 1) ? 1.0 : -1.0) * std::numbers::pi / m;
        const double c = std::cos(theta), s = std::sin(theta);
        double wr = 1, wi = 0;
        for (int k = 0; k < m; ++k) {
            for (int p = k; p < n; p += 2 * m) {
                Complex& x = data[p];
                Complex& y = data[p + m];
                const double tr = wr * y.re - wi * y.im, ti = wr * y.im + wi * y.re;
                y = {x.re - tr, x.im - ti};
                x = {x.re + tr, x.im + ti};
            }
            const double nr = wr * c - wi * s;
            wi = wr * s + wi * c;
            wr = nr;
        }
    }
    if (!(direction & 1))
        for (int i = 0; i < n; ++i) data[i] = {data[i].re * (1.0 / n), data[i].im * (1.0 / n)};
}

TEST(Fft, BlockedOrderIsBitIdenticalToTheTextbookOrder) {
    KissRandom r;
    r.Seed(99);
    for (int log2n : {1, 3, 7, 12}) {
        const int n = 1 << log2n;
        std::vector<Complex> a(n);
        for (auto& c : a) c = {r.Uniform(), r.Uniform()};
        std::vector<Complex> b = a;
        Fft(0, log2n, a.data());
        ReferenceFft(0, log2n, b.data());
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(a[i].re, b[i].re) << log2n << " " << i;
            ASSERT_EQ(a[i].im, b[i].im) << log2n << " " << i;
        }
    }
}

}  // namespace
}  // namespace pelmor
