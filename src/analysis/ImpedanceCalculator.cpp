#include "analysis/ImpedanceCalculator.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "numerics/ComplexMath.h"
#include "platform/Profile.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {

constexpr Complex kNoBin{std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::quiet_NaN()};

}  // namespace

ImpedanceCalculator::ImpedanceCalculator() { ResetCalculator(); }

int ImpedanceCalculator::ActiveCount() const {
    return std::clamp(frequencyCount, 0, kMaxFrequencies);
}

void ImpedanceCalculator::SetFrequencies(const int32_t* indexes, int count, double period) {
    frequencyCount = std::clamp(count, 0, kMaxFrequencies);
    for (int i = 0; i < frequencyCount; ++i) {
        frequencyIndex[i] = indexes[i];
        frequencyHz[i] = indexes[i] / period;
    }
}

int ImpedanceCalculator::PeriodsInBlock(int n, int samplesPerPeriod) {
    if (n < 16 || samplesPerPeriod < 1) return 0;
    const int m = static_cast<int>(std::log2(static_cast<double>(n)) + 0.5);
    if (m > kMaxBlockLog2 || n != (1 << m)) return 0;
    const int c = n / samplesPerPeriod;
    if (c < 1 || n != c * samplesPerPeriod) return 0;
    return c;
}

void ImpedanceCalculator::Spectra(int n, int periods, const double* blockA, const double* blockB,
                                  Complex* X, Complex* Y) const {
    const int log2n = std::countr_zero(static_cast<unsigned>(n));
    std::vector<Complex> a(n), b(n);
    for (int j = 0; j < n; ++j) {
        a[j].re = blockA[j];
        b[j].re = blockB[j];
    }
    Fft(0, log2n, a.data());
    Fft(0, log2n, b.data());
    for (int i = 0; i < ActiveCount(); ++i) {
        const int64_t bin = int64_t{periods} * frequencyIndex[i];
        if (bin < 0 || bin >= n) {
            X[i] = Y[i] = kNoBin;
        } else {
            X[i] = a[bin];
            Y[i] = b[bin];
        }
    }
}

int ImpedanceCalculator::AnalyseBlock(int n, const double* blockA, const double* blockB, int method,
                                      int samplesPerPeriod) {
    const int c = PeriodsInBlock(n, samplesPerPeriod);
    if (c == 0) return 1;
    Complex X[kMaxFrequencies], Y[kMaxFrequencies];
    Spectra(n, c, blockA, blockB, X, Y);
    if (method == kMethodTrendPoint) {
        AccumulateTrendPoint(X, Y);
    } else if (method == kMethodEnsemble) {
        AccumulateEnsemble(X, Y);
    } else {
        AccumulateLive(X, Y, selectedFrequencyIndex);
    }
    return 0;
}

void ImpedanceCalculator::AccumulateLive(const Complex* X, const Complex* Y, int trendIndex) {
    const int length = std::clamp(ringLength, 1, kMaxRingLength);
    const bool full = ringCount >= length;
    const int slot = full ? std::clamp(ringIndex, 0, length - 1) : ringCount;
    const int count = ActiveCount();
    for (int i = 0; i < count; ++i) {
        spectrumRingX[slot][i] = X[i];
        spectrumRingY[slot][i] = Y[i];
        const Complex z = ApplyCalibration(cx::Div(X[i], Y[i]), frequencyHz[i]);
        instantR[slot][i] = z.re;
        instantX[slot][i] = z.im;
    }
    if (!full) {
        ++ringCount;
    } else {
        ringIndex = (slot + 1) % length;
    }
    for (int i = 0; i < count; ++i) {
        Complex sum{};
        for (int k = 0, s = ringIndex; k < ringCount; ++k, s = (s + 1) % length) {
            sum = cx::Add(sum, cx::Div(spectrumRingX[s][i], spectrumRingY[s][i]));
        }
        const Complex mean{sum.re / ringCount, sum.im / ringCount};
        const Complex z = ApplyCalibration(mean, frequencyHz[i]);
        averageR[i] = z.re;
        averageX[i] = z.im;
    }
    if (trendIndex < 0 || trendIndex >= kMaxFrequencies) return;
    const int capacity = std::clamp(trendCapacity, 1, kTrendLength);
    if (trendCount < capacity) {
        trendR[trendCount] = averageR[trendIndex];
        trendX[trendCount] = averageX[trendIndex];
        ++trendCount;
    } else {
        const int at = std::clamp(trendStart, 0, capacity - 1);
        trendR[at] = averageR[trendIndex];
        trendX[at] = averageX[trendIndex];
        trendStart = (at + 1) % capacity;
    }
}

void ImpedanceCalculator::AccumulateEnsemble(const Complex* X, const Complex* Y) {
    for (int i = 0; i < ActiveCount(); ++i) {
        sumX[i] = cx::Add(sumX[i], X[i]);
        sumY[i] = cx::Add(sumY[i], Y[i]);
        sumXY[i] = cx::Add(sumXY[i], cx::Mul(X[i], Y[i]));
        sumXX[i] += cx::Norm(X[i]);
        sumYY[i] += cx::Norm(Y[i]);
        const Complex z = ApplyCalibration(cx::Div(sumX[i], sumY[i]), frequencyHz[i]);
        ensembleR[i] = z.re;
        ensembleX[i] = z.im;
        coherence[i] = cx::Norm(sumXY[i]) / (sumXX[i] * sumYY[i]);
    }
    ++periodsAccumulated;
}

void ImpedanceCalculator::AccumulateTrendPoint(const Complex* X, const Complex* Y) {
    const int k = offlineTrendCount;
    const int s = selectedFrequencyIndex;
    if (k < 0 || k >= kTrendLength || s < 0 || s >= kMaxFrequencies) return;
    const int windows = std::clamp(trendWindows, 1, kMaxTrendWindows);
    if (k == 0) {
        std::fill_n(trendRingX, windows, Complex{});
        std::fill_n(trendRingY, windows, Complex{});
    }
    trendRingX[k % windows] = X[s];
    trendRingY[k % windows] = Y[s];
    const int used = std::min(k + 1, windows);
    Complex sum{};
    for (int j = 0; j < used; ++j) sum = cx::Add(sum, cx::Div(trendRingX[j], trendRingY[j]));
    const Complex z = ApplyCalibration({sum.re / used, sum.im / used}, frequencyHz[s]);
    trendR[k] = z.re;
    trendX[k] = z.im;
    offlineTrendCount = k + 1;
}

int ImpedanceCalculator::AnalyseLatestPeriod(const AnalysisInputs& in, int slotA, int slotB) {
    if (!in.state.measurementRunning.load()) return 1;
    if (slotA < 0 || slotA >= kMaxChannels || slotB < 0 || slotB >= kMaxChannels) return 1;
    const int P = in.samplesPerPeriod;
    if (P < 1) return 1;
    const int m = static_cast<int>(std::log2(static_cast<double>(P)) + 0.5);
    if (m > 11) return 1;
    const int n = 1 << m;
    if (std::fabs(static_cast<double>(n) / P - 1.0) > 0.001) return 1;
    std::vector<double> a(n), b(n);
    // The acquisition thread appends while we read, so the two slots are taken over the same
    // time span: the newest period of one, and the other by time. Two "newest" snapshots
    // taken one after the other could be a block apart and give a wrong ratio.
    const TraceBuffer& bufferA = in.state.buffers[slotA];
    const TraceBuffer& bufferB = in.state.buffers[slotB];
    double start = 0, interval = 0;
    int32_t count = n;
    bufferB.Latest(count, b.data(), start, interval);
    if (count != n) return 1;
    if (bufferA.Window(start, n, 0, a.data()) != n) {
        // Slot A lags slot B: its newest period, and slot B over the same span.
        count = n;
        bufferA.Latest(count, a.data(), start, interval);
        if (count != n || bufferB.Window(start, n, 0, b.data()) != n) return 1;
    }
    return AnalyseBlock(n, a.data(), b.data(), kMethodLive, P);
}

void ImpedanceCalculator::ResetCalculator() {
    ringIndex = ringCount = periodsAccumulated = 0;
    trendStart = trendCount = offlineTrendCount = 0;
    breathingRate = breathingVolume = 0.0;
    if (selectedFrequencyIndex >= frequencyCount) selectedFrequencyIndex = 0;
    ResetEnsemble();
}

void ImpedanceCalculator::ClearTrendPoints() {
    std::fill_n(trendR, kTrendLength, 0.0);
    std::fill_n(trendX, kTrendLength, 0.0);
    std::fill_n(trendTime, kTrendLength, 0.0);
    std::fill_n(trendFlow, kTrendLength, 0.0);
}

void ImpedanceCalculator::ResetEnsemble() {
    periodsAccumulated = 0;
    std::fill_n(sumX, kMaxFrequencies, Complex{});
    std::fill_n(sumY, kMaxFrequencies, Complex{});
    std::fill_n(sumXY, kMaxFrequencies, Complex{});
    std::fill_n(sumXX, kMaxFrequencies, 0.0);
    std::fill_n(sumYY, kMaxFrequencies, 0.0);
    std::fill_n(coherence, kMaxFrequencies, 0.0);
    std::fill_n(ensembleR, kMaxFrequencies, 0.0);
    std::fill_n(ensembleX, kMaxFrequencies, 0.0);
}

void ImpedanceCalculator::SetAveragingTime(double seconds) {
    // NaN goes to the shortest time.
    averagingTime = seconds >= 0.1 ? std::min(seconds, 5.0) : 0.1;
    ringLength = static_cast<int32_t>(averagingTime * 10 + 0.5);
    ringIndex = ringCount = 0;
    trendStart = trendCount = 0;
}

Complex ImpedanceCalculator::ApplyCalibration(Complex m, double frequency) const {
    if (calibrationOff) return m;
    const int k = FindCalibrationPoint(workingCalibration, frequency);
    if (k < 0) return m;
    return CalibratePoint(workingCalibration, k, m);
}

bool ImpedanceCalculator::CalibrationCovers(const ActiveExcitation& excitation) const {
    return pelmor::CalibrationCovers(workingCalibration, excitation);
}

bool ImpedanceCalculator::CalibrationTablesDiffer() const {
    return pelmor::CalibrationTablesDiffer(loadedCalibration, workingCalibration);
}

bool ImpedanceCalculator::ImportCalibration(const std::string& path, UserInterface& ui) {
    return pelmor::ImportCalibration(path, ui, loadedCalibration);
}

std::string ImpedanceCalculator::CopyCalibration() const {
    return CalibrationText(loadedCalibration);
}

bool ImpedanceCalculator::PrepareCalibration(const ActiveExcitation& excitation,
                                             UserInterface& ui) {
    calibrationOff = CalibrationCovers(excitation) ? 0 : 1;
    if (!calibrationOff) return true;
    return ui.AskYesNo(
        Question::CalibrationIncomplete,
        "No calibration data found for each used frequency.\nNo calibration will be used.\nWould "
        "you like to continue?");
}

void ImpedanceCalculator::LoadCalibrationSetting(Profile& profile) {
    if (auto stored = profile.GetBinary("Options", "Calibration"))
        CalibrationTableFromBytes(*stored, loadedCalibration);
    workingCalibration = loadedCalibration;
}

void ImpedanceCalculator::SaveCalibrationSetting(Profile& profile) const {
    profile.WriteBinary("Options", "Calibration", CalibrationTableBytes(loadedCalibration));
}

}  // namespace pelmor
