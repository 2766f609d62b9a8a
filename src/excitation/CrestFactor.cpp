#include "excitation/CrestFactor.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "numerics/Random.h"
#include "platform/Clock.h"

namespace pelmor {

namespace {

constexpr int kPoints = 512;
constexpr int kLog2Points = 9;
constexpr double kStep = 0.01227184630308513;  // 2 pi / 512

}  // namespace

PeakToPeakEvaluator::PeakToPeakEvaluator(int count, const int32_t* frequencyIndex,
                                         const double* amplitude, Method method)
    : count_(std::max(count, 0)),
      frequencyIndex_(frequencyIndex),
      amplitude_(amplitude),
      method_(method) {
    if (method_ == Method::Fast) {
        bin_.resize(count_);
        // cos is 512-periodic in the index at these points, so any index folds into a bin.
        for (int i = 0; i < count_; ++i)
            bin_[i] = static_cast<int>(frequencyIndex_[i] & (kPoints - 1));
        spectrum_.resize(kPoints);
    }
}

double PeakToPeakEvaluator::Evaluate(const double* phases) {
    double largest = 0, smallest = 0;
    if (method_ == Method::Direct) {
        for (int t = 0; t < kPoints; ++t) {
            double v = 0;
            for (int i = 0; i < count_; ++i)
                v += amplitude_[i] * std::cos(frequencyIndex_[i] * kStep * t + phases[i]);
            largest = std::max(largest, v);
            smallest = std::min(smallest, v);
        }
        return largest - smallest;
    }
    std::fill(spectrum_.begin(), spectrum_.end(), Complex{});
    for (int i = 0; i < count_; ++i) {
        Complex& z = spectrum_[bin_[i]];
        z.re += amplitude_[i] * std::cos(phases[i]);
        z.im += amplitude_[i] * std::sin(phases[i]);
    }
    Fft(1, kLog2Points, spectrum_.data());
    for (int t = 0; t < kPoints; ++t) {
        const double v = spectrum_[t].re;
        largest = std::max(largest, v);
        smallest = std::min(smallest, v);
    }
    return largest - smallest;
}

PhaseSearchResult SearchPhases(int count, const int32_t* frequencyIndex, const double* amplitude,
                               double* phases, KissRandom& random, Clock& clock,
                               PeakToPeakEvaluator::Method method, int maxPasses) {
    PhaseSearchResult result;
    count = std::max(count, 0);
    PeakToPeakEvaluator evaluator(count, frequencyIndex, amplitude, method);
    std::vector<double> trial(count);
    const double twoPi = 2.0 * std::numbers::pi;
    const int64_t deadline = clock.Milliseconds() + kCrestTimeLimitMs;
    if (clock.Milliseconds() >= deadline) return result;
    for (int pass = 0; pass < maxPasses; ++pass) {
        for (int k = 0; k < kCrestTrialsPerPass; ++k) {
            for (int i = 0; i < count; ++i) trial[i] = twoPi * random.Uniform();
            const double pp = evaluator.Evaluate(trial.data());
            if (pp < result.bestPeakToPeak) {
                result.bestPeakToPeak = pp;
                result.improvements += 1;
                result.lastImprovement = result.trials + k;
                std::copy(trial.begin(), trial.end(), phases);
            }
        }
        result.trials += kCrestTrialsPerPass;
        if (result.trials > 10000 || clock.Milliseconds() >= deadline) break;
    }
    return result;
}

}  // namespace pelmor
