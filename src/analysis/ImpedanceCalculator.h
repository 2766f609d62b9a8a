#pragma once

#include <cstdint>
#include <string>

#include "analysis/CalibrationTable.h"
#include "core/MeasurementSetup.h"
#include "core/MeasurementState.h"
#include "numerics/Fft.h"

namespace pelmor {

class Profile;
class UserInterface;

// What the analysis reads from the document and the measurement state: the running flag, the
// eight trace buffers (slot s uses buffers[s]) and the setup numbers of the measurement in
// progress or the loaded file.
struct AnalysisInputs {
    MeasurementState& state;
    double sampleRate = 0.0;    // fs, Hz
    int samplesPerPeriod = 0;   // P, samples in one excitation period
    double signalPeriod = 0.0;  // T, s
    double flowScalingFactor = 1.0;
};

inline AnalysisInputs MakeAnalysisInputs(const MeasurementSetup& setup, MeasurementState& state,
                                         double flowScalingFactor) {
    return {state, setup.sampleRate, setup.samplesPerPeriod, setup.signalPeriod, flowScalingFactor};
}

// How the offline trend reads the selected frequency from each window: one bin computed
// directly, or two whole transforms of which one bin is kept (the same numbers, slower; kept
// as the reference for tests and benchmarks).
enum class TrendTransform { SingleBin, FullTransforms };

// Accumulation methods of AnalyseBlock.
enum AnalysisMethod : int { kMethodLive = 0, kMethodEnsemble = 1, kMethodTrendPoint = 2 };

// Turns pairs of blocks of whole excitation periods (slot 0 and slot 1) into impedance spectra
// at the active excitation frequencies: the ratio of the two spectra, calibrated, accumulated as
// a live sliding average, an ensemble average with coherence, or an offline trend point. Hosts
// the calibration tables. The arrays are fixed-size; the object is large (about 3.6 MB), so own
// it on the heap. User-interface thread only.
class ImpedanceCalculator {
  public:
    static constexpr int kMaxFrequencies = 256;
    static constexpr int kRingSlots = 256;
    static constexpr int kMaxRingLength = 50;
    static constexpr int kTrendLength = 4096;
    static constexpr int kLiveTrendCapacity = 50;
    static constexpr int kMaxTrendWindows = 80;
    static constexpr int kMaxBlockLog2 = 14;

    ImpedanceCalculator();

    // Fills the active frequency lists: frequencyIndex[i] = indexes[i], frequencyHz[i] =
    // indexes[i] / period (count is brought into 0 ... 256).
    void SetFrequencies(const int32_t* indexes, int count, double period);

    // Transforms a block pair of n samples (a power of two holding whole periods of
    // samplesPerPeriod) and accumulates the spectra at the active frequencies by method.
    // 0 when analysed, 1 when refused. A frequency without a bin in the block (index at or above
    // samplesPerPeriod) gets not-a-number spectra.
    int AnalyseBlock(int n, const double* blockA, const double* blockB, int method,
                     int samplesPerPeriod);
    // X and Y are the compacted spectra of slot 0 and slot 1 (entry i = active frequency i).
    void AccumulateLive(const Complex* X, const Complex* Y, int trendIndex);
    void AccumulateEnsemble(const Complex* X, const Complex* Y);
    void AccumulateTrendPoint(const Complex* X, const Complex* Y);

    // While a measurement runs: the newest whole period of slotA and slotB into the live average.
    // 0 when a block was analysed.
    int AnalyseLatestPeriod(const AnalysisInputs& in, int slotA = 0, int slotB = 1);

    void ResetCalculator();
    void ResetEnsemble();
    // Clamps to 0.1 ... 5 s, sets the ring length (tenths of a second, rounded) and empties the
    // live ring and the live trend.
    void SetAveragingTime(double seconds);

    // --- calibration ---
    // m unchanged when calibration is off or workingCalibration has no point for frequency.
    Complex ApplyCalibration(Complex m, double frequency) const;
    // Every component of the excitation has a point in workingCalibration.
    bool CalibrationCovers(const ActiveExcitation& excitation) const;
    // loadedCalibration and workingCalibration differ.
    bool CalibrationTablesDiffer() const;
    // Reads a .cal file into loadedCalibration, with the messages to the user. True when
    // loadedCalibration was replaced.
    bool ImportCalibration(const std::string& path, UserInterface& ui);
    // The text of loadedCalibration for the clipboard.
    std::string CopyCalibration() const;
    // After the caller has chosen workingCalibration (the loaded table at a measurement start,
    // or the data file's table on import): calibration is switched off unless it covers every
    // frequency of the excitation, and then the user is asked whether to go on. True to go on.
    bool PrepareCalibration(const ActiveExcitation& excitation, UserInterface& ui);
    // loadedCalibration from the profile value "Calibration" of section "Options" when it is
    // exactly one record long (otherwise it stays as it is); workingCalibration becomes a copy.
    void LoadCalibrationSetting(Profile& profile);
    void SaveCalibrationSetting(Profile& profile) const;

    // --- offline trend and time-window analysis ---
    // The trend of the selected frequency over the whole record in slots 0 and 1, with the
    // slot-2 value at each point. 0 when at least one point was computed.
    int ComputeTrend(const AnalysisInputs& in, UserInterface& ui,
                     TrendTransform transform = TrendTransform::SingleBin);
    // Ensemble spectrum and coherence over the whole periods of [t0, t1] (0, 0: the whole
    // record), and the breathing estimate of slot 2 over it. 0 when a period was analysed.
    int AnalyseInterval(const AnalysisInputs& in, double t0, double t1);
    // Band-passes slots 0 and 1 (4 Hz to 3 Hz above the last active frequency) and recomputes
    // the trend. Refused (1) while a measurement runs and when there are no active frequencies.
    int BandPassChannels(const AnalysisInputs& in, UserInterface& ui);

    // --- state (read by the display, the exports and the stored collection) ---
    int32_t frequencyCount = 0;
    int32_t selectedFrequencyIndex = 0;
    double averagingTime = 0.5;
    int32_t ringLength = 5;
    int32_t ringIndex = 0;
    int32_t ringCount = 0;
    int32_t trendCapacity = kLiveTrendCapacity;
    int32_t trendStart = 0;
    int32_t trendCount = 0;
    int32_t periodsAccumulated = 0;
    int32_t trendWindows = 1;
    int32_t offlineTrendCount = 0;
    // Counts the trend computations, so that what is derived from the same record (the breath
    // analysis's estimates) is computed again only after the record or its analysis changed.
    int32_t trendGeneration = 0;
    double intervalStart = 0.0;
    double intervalEnd = 0.0;
    double breathingRate = 0.0;    // Hz
    double breathingVolume = 0.0;  // slot-2 unit times seconds
    int32_t zDisplayMode = 0;
    int32_t zTrendDisplay = 0;

    int32_t frequencyIndex[kMaxFrequencies] = {};
    double frequencyHz[kMaxFrequencies] = {};

    Complex spectrumRingX[kRingSlots][kMaxFrequencies] = {};
    Complex spectrumRingY[kRingSlots][kMaxFrequencies] = {};
    double instantR[kRingSlots][kMaxFrequencies] = {};
    double instantX[kRingSlots][kMaxFrequencies] = {};
    double averageR[kMaxFrequencies] = {};
    double averageX[kMaxFrequencies] = {};

    Complex sumX[kMaxFrequencies] = {};
    Complex sumY[kMaxFrequencies] = {};
    Complex sumXY[kMaxFrequencies] = {};
    double sumXX[kMaxFrequencies] = {};
    double sumYY[kMaxFrequencies] = {};
    double coherence[kMaxFrequencies] = {};
    double ensembleR[kMaxFrequencies] = {};
    double ensembleX[kMaxFrequencies] = {};

    double trendR[kTrendLength] = {};
    double trendX[kTrendLength] = {};
    double trendTime[kTrendLength] = {};
    double trendFlow[kTrendLength] = {};

    // The selected frequency's spectra of the last trendWindows windows (trend points).
    Complex trendRingX[kRingSlots] = {};
    Complex trendRingY[kRingSlots] = {};

    CalibrationTable loadedCalibration;
    CalibrationTable workingCalibration;
    CalibrationTable calibrationBackup;
    uint8_t calibrationOff = 1;

  private:
    int ActiveCount() const;
    // Zeroes the trend's points (R, X, time and flow) up to kTrendLength.
    void ClearTrendPoints();
    // Checks a block size against the period: c (whole periods) when usable, 0 when refused.
    static int PeriodsInBlock(int n, int samplesPerPeriod);
    // Compacted spectra of one block pair at the active frequencies (NaN where no bin exists).
    void Spectra(int n, int periods, const double* blockA, const double* blockB, Complex* X,
                 Complex* Y) const;
};

// Moving-average smoothing over window samples, the mean removed, then the mean rate of the
// rising zero crossings (Hz) and the mean area of the negative half-cycles.
void EstimateBreathing(int count, const double* samples, double interval, int window, double& rate,
                       double& volume);

// Removes everything below low and above high (Hz) from all valid samples of trace, in place,
// by zeroing transform bins of the record extended to a multiple of blockMultiple. Count, write
// position and time base stay. Not while another thread appends to the trace.
void BandPassTrace(TraceBuffer& trace, double low, double high, int blockMultiple);

}  // namespace pelmor
