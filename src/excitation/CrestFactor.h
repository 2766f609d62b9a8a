#pragma once

#include <cstdint>
#include <vector>

#include "numerics/Fft.h"

namespace pelmor {

class Clock;
class KissRandom;

// Peak-to-peak value of one period of a multisine sampled at 512 points,
//   v(t) = sum_i amplitude_i * cos(frequencyIndex_i * (2 pi / 512) * t + phase_i),
// with the largest and smallest value both starting at 0.
//
// Fast: the trial's spectrum (amplitude_i * e^(j phase_i) in bin frequencyIndex_i mod 512)
// goes through one 512-point inverse transform, whose real part is the waveform: n cos/sin
// pairs and one transform per trial instead of 512 * n cosines. Direct: the formula as written,
// kept as the reference the fast path is checked against.
class PeakToPeakEvaluator {
  public:
    enum class Method { Fast, Direct };
    PeakToPeakEvaluator(int count, const int32_t* frequencyIndex, const double* amplitude,
                        Method method = Method::Fast);
    double Evaluate(const double* phases);

  private:
    int count_;
    const int32_t* frequencyIndex_;
    const double* amplitude_;
    Method method_;
    std::vector<int> bin_;
    std::vector<Complex> spectrum_;
};

constexpr int kCrestTrialsPerPass = 1000;
constexpr int kCrestMaxPasses = 11;
constexpr int64_t kCrestTimeLimitMs = 10000;

struct PhaseSearchResult {
    int trials = 0;
    double bestPeakToPeak = 100.0;  // 100 when no trial went below it
    int improvements = 0;           // trials that beat every earlier one
    int lastImprovement = -1;       // index of the trial whose phases were kept
};

// Random search over the phases of one signal: in passes of 1000 trials, each trial draws the
// n phases 2 pi * Uniform() in order and, when its peak-to-peak value is below every earlier
// trial's (and below 100), its phases are copied into `phases`. Stops after a pass once more
// than 10000 trials ran (or `maxPasses` passes) or the clock passed 10 s from the start.
PhaseSearchResult SearchPhases(
    int count, const int32_t* frequencyIndex, const double* amplitude, double* phases,
    KissRandom& random, Clock& clock,
    PeakToPeakEvaluator::Method method = PeakToPeakEvaluator::Method::Fast,
    int maxPasses = kCrestMaxPasses);

}  // namespace pelmor
