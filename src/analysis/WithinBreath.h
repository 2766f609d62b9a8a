#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "numerics/Fft.h"

namespace pelmor {

// The window of the within-breath estimator for one analysis frequency f: W is the shortest
// whole number m of cycles of f lasting at least 1 / Δ, Δ the smallest of the lowest
// excitation frequency and the gaps between neighbouring excitation frequencies. The windows
// step by hop samples, the largest whole number of samples not above fs / 64.
struct WithinBreathWindow {
    double frequency = 0;        // f, Hz
    int cycles = 0;              // m
    double seconds = 0;          // W = m / f
    int samples = 0;             // n_W = W · fs rounded to the nearest integer
    int hop = 0;                 // h, samples
    std::vector<double> fitted;  // the excitation frequencies f_k with f_k · W >= 1, ascending
    std::string error;           // why there is no window; empty when there is one
};

// Which flow direction the breathing flow held over the whole of an estimate's window.
enum class BreathPhase { Inspiration, Expiration, Mixed };

// "inspiration", "expiration" or "mixed".
const char* BreathPhaseName(BreathPhase phase);

// One impedance estimate at f from one window of the record.
struct WithinBreathEstimate {
    // The window's centre, s: the midpoint of its first and last samples, on the record's time
    // axis (startTime + (first + (count - 1) / 2) / fs).
    double time = 0;
    double r = 0, x = 0;
    BreathPhase phase = BreathPhase::Mixed;
    int first = 0;  // the window's first sample
    int count = 0;  // its samples (n_W)
};

// Maps a measured ratio at a frequency (Hz) to the calibrated impedance, as
// ImpedanceCalculator::ApplyCalibration does; empty: the ratio is the impedance.
using ImpedanceCalibration = std::function<Complex(Complex measured, double frequency)>;

// What the estimator is given. Samples j of the three slots are at the same time,
// startTime + j / sampleRate; slots 0 and 1 set the record's length (the shorter of the two),
// and a window reaching past the end of the breathing flow is "mixed".
struct WithinBreathInput {
    std::span<const double> pressure;           // slot 0
    std::span<const double> flow;               // slot 1
    std::span<const double> breathingFlow;      // slot 2, unscaled
    double sampleRate = 0;                      // fs, Hz
    double startTime = 0;                       // time of sample 0, s
    std::vector<double> excitationFrequencies;  // f_k, Hz, any order
    double analysisFrequency = 0;  // f, one of the excitation frequencies (within 1e-9 Hz)
    int inspiratoryFlowSign = 1;   // s: +1 inspiration is positive flow, -1 negative
    double flowScalingFactor = 1;  // q = slot 2 × this
    ImpedanceCalibration calibration;
};

struct WithinBreathSeries {
    WithinBreathWindow window;
    std::vector<WithinBreathEstimate> estimates;  // in time order
    std::string error;  // why nothing was estimated; empty otherwise (also for a short record)
};

// The position of the excitation frequency nearest target: of two equally near the lower, of
// two equal the first; -1 for an empty list. Everything that picks "the excitation frequency
// nearest f" (the breath analysis, the report's trend) asks this.
int NearestFrequencyPosition(std::span<const double> frequencies, double target);

// That frequency itself; none for an empty list.
std::optional<double> NearestExcitationFrequency(std::span<const double> frequencies,
                                                 double target);

// The window and hop for analysis frequency f among the excitation frequencies at sample rate
// fs. Refused (error set) for an empty list, a frequency that is not positive and finite, f not
// in the list, or fs not positive and finite.
WithinBreathWindow WithinBreathWindowFor(std::span<const double> frequencies, double f, double fs);

// The time-resolved impedance at f: windows of n_W samples at 0, h, 2h, … while the window ends
// within the record; in each, slot 0 and slot 1 are fitted separately by least squares on
// 1, τ, τ² and cos(2π f_k τ), sin(2π f_k τ) for every fitted f_k (τ in seconds from the
// window's centre; shifting τ would change no estimate); with A = a_cos − j·a_sin at f, Z = A₀ / A₁
// calibrated at f. The fit is factored once for all windows; each window costs four dot products of
// n_W samples.
WithinBreathSeries EstimateWithinBreath(const WithinBreathInput& input);

}  // namespace pelmor
