#include "analysis/WithinBreath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "numerics/ComplexMath.h"

namespace pelmor {

namespace {

// Two excitation frequencies this close (Hz) are the same one; products compared with whole
// numbers allow for the rounding of the frequencies.
constexpr double kSameFrequency = 1e-9;
constexpr double kWholeTolerance = 1e-9;
// Longest window accepted, in samples (a minute at 256 kHz).
constexpr double kMaxWindowSamples = 1 << 24;
// A column of the fit whose remainder after the earlier columns is below this fraction of its
// own length is taken as a combination of them.
constexpr double kDependentColumn = 1e-10;

std::string Hz(double f) {
    char text[32];
    std::snprintf(text, sizeof text, "%g Hz", f);
    return text;
}

// The rows of the least-squares solution that give the coefficients of cos(2π f τ) and
// sin(2π f τ), for the regressors of one window: coefficient c of a window's samples y is
// rows[c] · y. Householder QR of the n × p regressor matrix X, then row c of R⁻¹ Qᵀ.
struct FitRows {
    std::vector<double> cosine, sine;
    std::string error;
};

FitRows SolveFitRows(const WithinBreathWindow& window, double fs) {
    const int n = window.samples;
    const int p = 3 + 2 * static_cast<int>(window.fitted.size());
    FitRows rows;
    // Column-major regressor matrix. The polynomial is in τ scaled to [-1, 1], which spans the
    // same functions as 1, τ, τ² and keeps the columns of similar size.
    std::vector<double> a(static_cast<std::size_t>(n) * p);
    const double centre = (n - 1) / 2.0;
    const double halfSpan = std::max(centre, 1.0);
    int target = -1;
    for (int j = 0; j < n; ++j) {
        const double u = (j - centre) / halfSpan;
        a[j] = 1.0;
        a[static_cast<std::size_t>(n) + j] = u;
        a[2 * static_cast<std::size_t>(n) + j] = u * u;
    }
    for (std::size_t k = 0; k < window.fitted.size(); ++k) {
        const double fk = window.fitted[k];
        if (std::fabs(fk - window.frequency) <= kSameFrequency)
            target = 3 + 2 * static_cast<int>(k);
        double* c = &a[(3 + 2 * k) * n];
        double* s = c + n;
        for (int j = 0; j < n; ++j) {
            const double phase = 2 * std::numbers::pi * fk * ((j - centre) / fs);
            c[j] = std::cos(phase);
            s[j] = std::sin(phase);
        }
    }

    std::vector<double> beta(p), diagonal(p);
    for (int k = 0; k < p; ++k) {
        double* v = &a[static_cast<std::size_t>(k) * n];
        double length = 0, below = 0;
        for (int i = 0; i < n; ++i) length += v[i] * v[i];
        for (int i = k; i < n; ++i) below += v[i] * v[i];
        length = std::sqrt(length);
        below = std::sqrt(below);
        if (!(below > kDependentColumn * length)) {
            rows.error = "the fitted terms are not independent over a window of " +
                         std::to_string(n) + " samples";
            return rows;
        }
        const double alpha = v[k] > 0 ? -below : below;
        v[k] -= alpha;
        double norm2 = 0;
        for (int i = k; i < n; ++i) norm2 += v[i] * v[i];
        beta[k] = 2.0 / norm2;
        diagonal[k] = alpha;
        for (int col = k + 1; col < p; ++col) {
            double* w = &a[static_cast<std::size_t>(col) * n];
            double dot = 0;
            for (int i = k; i < n; ++i) dot += v[i] * w[i];
            dot *= beta[k];
            for (int i = k; i < n; ++i) w[i] -= dot * v[i];
        }
    }
    // R(k, i) for k < i is a[i * n + k]; R(i, i) is diagonal[i].
    auto row = [&](int c) {
        std::vector<double> z(p, 0.0);
        for (int i = c; i < p; ++i) {
            double sum = i == c ? 1.0 : 0.0;
            for (int k = c; k < i; ++k) sum -= a[static_cast<std::size_t>(i) * n + k] * z[k];
            z[i] = sum / diagonal[i];
        }
        std::vector<double> y(n, 0.0);
        std::copy(z.begin(), z.end(), y.begin());
        for (int k = p - 1; k >= 0; --k) {
            const double* v = &a[static_cast<std::size_t>(k) * n];
            double dot = 0;
            for (int i = k; i < n; ++i) dot += v[i] * y[i];
            dot *= beta[k];
            for (int i = k; i < n; ++i) y[i] -= dot * v[i];
        }
        return y;
    };
    rows.cosine = row(target);
    rows.sine = row(target + 1);
    return rows;
}

}  // namespace

const char* BreathPhaseName(BreathPhase phase) {
    switch (phase) {
        case BreathPhase::Inspiration:
            return "inspiration";
        case BreathPhase::Expiration:
            return "expiration";
        case BreathPhase::Mixed:
            break;
    }
    return "mixed";
}

int NearestFrequencyPosition(std::span<const double> frequencies, double target) {
    int nearest = -1;
    for (int i = 0; i < static_cast<int>(frequencies.size()); ++i) {
        const double f = frequencies[i];
        if (nearest < 0) {
            nearest = i;
            continue;
        }
        const double best = frequencies[nearest];
        if (std::fabs(f - target) < std::fabs(best - target) ||
            (std::fabs(f - target) == std::fabs(best - target) && f < best))
            nearest = i;
    }
    return nearest;
}

std::optional<double> NearestExcitationFrequency(std::span<const double> frequencies,
                                                 double target) {
    const int nearest = NearestFrequencyPosition(frequencies, target);
    if (nearest < 0) return std::nullopt;
    return frequencies[nearest];
}

WithinBreathWindow WithinBreathWindowFor(std::span<const double> frequencies, double f, double fs) {
    WithinBreathWindow window;
    window.frequency = f;
    if (!(fs > 0) || !std::isfinite(fs)) {
        window.error = "the sample rate is not a positive number";
        return window;
    }
    if (frequencies.empty()) {
        window.error = "the excitation has no frequencies";
        return window;
    }
    std::vector<double> sorted(frequencies.begin(), frequencies.end());
    for (const double fk : sorted) {
        if (!(fk > 0) || !std::isfinite(fk)) {
            window.error = "the excitation frequency " + Hz(fk) + " is not a positive number";
            return window;
        }
    }
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end(),
                             [](double x, double y) { return y - x <= kSameFrequency; }),
                 sorted.end());
    if (std::none_of(sorted.begin(), sorted.end(),
                     [f](double fk) { return std::fabs(fk - f) <= kSameFrequency; })) {
        window.error = "the analysis frequency " + Hz(f) + " is not an excitation frequency";
        return window;
    }

    double delta = sorted.front();
    for (std::size_t k = 1; k < sorted.size(); ++k)
        delta = std::min(delta, sorted[k] - sorted[k - 1]);
    const double cycles = std::max(1.0, std::ceil(f / delta - kWholeTolerance));
    const double samples = std::round(cycles / f * fs);
    if (samples > kMaxWindowSamples) {
        window.error = "the window of " + std::to_string(static_cast<long long>(cycles)) +
                       " cycles of " + Hz(f) + " is too long";
        return window;
    }
    window.cycles = static_cast<int>(cycles);
    window.seconds = cycles / f;
    window.samples = static_cast<int>(samples);
    // At least one sample, also below 64 Hz.
    window.hop = std::max(1, static_cast<int>(std::floor(fs / 64 + kWholeTolerance)));
    for (const double fk : sorted)
        if (fk * window.seconds >= 1 - kWholeTolerance) window.fitted.push_back(fk);
    const int terms = 3 + 2 * static_cast<int>(window.fitted.size());
    if (window.samples < terms) {
        window.error = "the window of " + std::to_string(window.samples) +
                       " samples is shorter than its " + std::to_string(terms) + " fitted terms";
    }
    return window;
}

WithinBreathSeries EstimateWithinBreath(const WithinBreathInput& input) {
    WithinBreathSeries series;
    series.window = WithinBreathWindowFor(input.excitationFrequencies, input.analysisFrequency,
                                          input.sampleRate);
    const WithinBreathWindow& window = series.window;
    if (!window.error.empty()) {
        series.error = window.error;
        return series;
    }
    const std::size_t length = std::min(input.pressure.size(), input.flow.size());
    const std::size_t n = static_cast<std::size_t>(window.samples);
    if (length < n) return series;
    const FitRows rows = SolveFitRows(window, input.sampleRate);
    if (!rows.error.empty()) {
        series.error = rows.error;
        return series;
    }

    // Running counts of the breathing-flow samples in each direction, so that a window's phase
    // is two differences.
    const std::size_t flowLength = input.breathingFlow.size();
    std::vector<int> inward(flowLength + 1, 0), outward(flowLength + 1, 0);
    const double sign = (input.inspiratoryFlowSign < 0 ? -1.0 : 1.0) * input.flowScalingFactor;
    for (std::size_t j = 0; j < flowLength; ++j) {
        const double q = sign * input.breathingFlow[j];
        inward[j + 1] = inward[j] + (q > 0 ? 1 : 0);
        outward[j + 1] = outward[j] + (q < 0 ? 1 : 0);
    }

    const std::size_t hop = static_cast<std::size_t>(window.hop);
    series.estimates.reserve((length - n) / hop + 1);
    const double* rc = rows.cosine.data();
    const double* rs = rows.sine.data();
    const double f = window.frequency;
    for (std::size_t first = 0; first + n <= length; first += hop) {
        const double* p = input.pressure.data() + first;
        const double* q = input.flow.data() + first;
        double c0 = 0, s0 = 0, c1 = 0, s1 = 0;
        for (std::size_t j = 0; j < n; ++j) {
            c0 += rc[j] * p[j];
            s0 += rs[j] * p[j];
            c1 += rc[j] * q[j];
            s1 += rs[j] * q[j];
        }
        Complex z = cx::Div({c0, -s0}, {c1, -s1});
        if (input.calibration) z = input.calibration(z, f);

        WithinBreathEstimate estimate;
        estimate.first = static_cast<int>(first);
        estimate.count = window.samples;
        estimate.time = input.startTime + (first + (n - 1) / 2.0) / input.sampleRate;
        estimate.r = z.re;
        estimate.x = z.im;
        if (first + n <= flowLength) {
            if (inward[first + n] - inward[first] == window.samples)
                estimate.phase = BreathPhase::Inspiration;
            else if (outward[first + n] - outward[first] == window.samples)
                estimate.phase = BreathPhase::Expiration;
        }
        series.estimates.push_back(estimate);
    }
    return series;
}

}  // namespace pelmor
