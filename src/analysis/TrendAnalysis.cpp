// The offline impedance trend, the time-window analysis with its breathing estimate, and the
// band-pass of the first two traces.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "analysis/ImpedanceCalculator.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {

constexpr int kMaxLivePeriodLog2 = 11;

// n = 2^m nearest to P in the log scale, when it holds P within 0.1 % and m <= 11; 0 otherwise
// (also for P < 1). notPowerOfTwo tells the two refusals apart.
int PeriodBlockSize(int P, bool& notPowerOfTwo) {
    notPowerOfTwo = false;
    if (P < 1) {
        notPowerOfTwo = true;
        return 0;
    }
    const int m = static_cast<int>(std::log2(static_cast<double>(P)) + 0.5);
    if (m > kMaxLivePeriodLog2) return 0;
    const int n = 1 << m;
    if (std::fabs(static_cast<double>(n) / P - 1.0) > 0.001) {
        notPowerOfTwo = true;
        return 0;
    }
    return n;
}

// One bin of the forward transform (scaled by 1/n as Fft is), computed directly with an exact
// twiddle table: the offline trend needs only the selected frequency of each window.
class SingleBin {
  public:
    SingleBin(int n, int64_t bin) : n_(n), twiddle_(static_cast<std::size_t>(n)) {
        const double step = -2.0 * std::numbers::pi / n;
        for (int j = 0; j < n; ++j) {
            const int64_t r = (j * bin) % n;
            twiddle_[j] = {std::cos(step * r), std::sin(step * r)};
        }
    }
    Complex Of(const double* x) const {
        double re = 0, im = 0;
        for (int j = 0; j < n_; ++j) {
            re += x[j] * twiddle_[j].re;
            im += x[j] * twiddle_[j].im;
        }
        const double scale = 1.0 / n_;
        return {re * scale, im * scale};
    }

  private:
    int n_;
    std::vector<Complex> twiddle_;
};

// The shortest whole number of cycles (cycle samples each) lasting at least minimum samples;
// computed, not counted up, so that an absurd frequency cannot stall the program.
double WholeCyclesAtLeast(double cycle, double minimum) {
    if (!(cycle > 0) || !std::isfinite(cycle)) return std::numeric_limits<double>::infinity();
    double h = std::max(1.0, std::floor(minimum / cycle));
    while (h * cycle < minimum) h += 1;
    while (h > 1 && (h - 1) * cycle >= minimum) h -= 1;
    return h * cycle;
}

}  // namespace

int ImpedanceCalculator::ComputeTrend(const AnalysisInputs& in, UserInterface& ui,
                                      TrendTransform transform) {
    if (in.state.measurementRunning.load()) return 1;
    ++trendGeneration;
    offlineTrendCount = 0;
    // Nothing of an earlier record's trend stays, its flow least of all when slot 2 is empty.
    ClearTrendPoints();
    bool notPowerOfTwo = false;
    const int n = PeriodBlockSize(in.samplesPerPeriod, notPowerOfTwo);
    if (n == 0) {
        if (notPowerOfTwo)
            ui.ShowMessage(
                "Impedance trend calculation: the number of points in a period is not power of "
                "two.");
        return 1;
    }
    const int s = selectedFrequencyIndex;
    if (s < 0 || s >= ActiveCount()) return 1;
    const int periods = PeriodsInBlock(n, in.samplesPerPeriod);
    if (periods == 0) return 1;

    const double fs = in.sampleRate;
    const double P = in.samplesPerPeriod;
    double step = WholeCyclesAtLeast(fs / frequencyHz[s], fs / 16);
    if (!(P >= step)) step = P;  // also when the frequency gave no usable cycle
    const double windows = (averagingTime - in.signalPeriod) / (step / fs);
    trendWindows = windows >= 1 ? static_cast<int32_t>(std::min(windows + 0.5, 80.0)) : 1;

    std::vector<double> a(n), b(n);
    const SingleBin probe(n, int64_t{periods} * frequencyIndex[s]);
    const bool binExists = int64_t{periods} * frequencyIndex[s] < n && frequencyIndex[s] >= 0;
    Complex X[kMaxFrequencies], Y[kMaxFrequencies];
    auto& buffers = in.state.buffers;
    // The windows start at the oldest buffered sample and the times are on the signal
    // windows' time axis: after a run longer than the buffers hold, that sample is not at 0.
    const double start = buffers[0].EndTime() - buffers[0].Count() * buffers[0].SampleInterval();
    bool analysed = false;
    for (int i = 0; i < kTrendLength; ++i) {
        const double offset = std::trunc(step * i);
        if (offset > INT32_MAX - n) break;
        const int32_t at = static_cast<int32_t>(offset);
        if (buffers[0].Window(start, n, at, a.data()) < 0 ||
            buffers[1].Window(start, n, at, b.data()) < 0)
            break;
        if (transform == TrendTransform::FullTransforms) {
            Spectra(n, periods, a.data(), b.data(), X, Y);
        } else if (binExists) {
            X[s] = probe.Of(a.data());
            Y[s] = probe.Of(b.data());
        } else {
            X[s] = Y[s] = {std::nan(""), std::nan("")};
        }
        AccumulateTrendPoint(X, Y);
        analysed = true;

        const double centre = (n / 2) + step * i - (trendWindows - 1) * step / 2;
        trendTime[i] = start + centre / fs;
        double flow = 0;
        if (centre > INT32_MIN && centre < INT32_MAX &&
            buffers[2].Window(start, 1, static_cast<int32_t>(centre), &flow) >= 0)
            trendFlow[i] = in.flowScalingFactor * flow;
    }
    return analysed ? 0 : 1;
}

int ImpedanceCalculator::AnalyseInterval(const AnalysisInputs& in, double t0, double t1) {
    if (in.state.measurementRunning.load()) return 1;
    const TraceBuffer& slot0 = in.state.buffers[0];
    if (t0 == 0 && t1 == 0) t1 = slot0.EndTime();
    ResetEnsemble();
    bool notPowerOfTwo = false;
    const int n = PeriodBlockSize(in.samplesPerPeriod, notPowerOfTwo);
    if (n == 0) return 1;

    intervalStart = t0;
    const double T = in.signalPeriod;
    const double periods = T > 0 ? (t1 - t0) / T : 0.0;
    const int64_t N = periods >= 1 ? static_cast<int64_t>(std::min(periods, 1e12)) : 0;
    const double dt0 = slot0.SampleInterval();
    const double end0 = slot0.EndTime();
    std::vector<double> a(n), b(n);
    bool analysed = false;
    for (int64_t k = 0; k < N; ++k) {
        const int64_t offset = k * n;
        // Every later window starts after the newest sample: none of them can be read.
        if (offset > INT32_MAX || t0 + static_cast<double>(offset) * dt0 > end0) break;
        const int32_t at = static_cast<int32_t>(offset);
        if (slot0.Window(t0, n, at, a.data()) < 0) continue;
        if (in.state.buffers[1].Window(t0, n, at, b.data()) < 0) continue;
        intervalEnd = t0 + static_cast<double>(k + 1) * T;
        if (AnalyseBlock(n, a.data(), b.data(), kMethodEnsemble, in.samplesPerPeriod) == 0)
            analysed = true;
    }

    const TraceBuffer& flow = in.state.buffers[2];
    const double dt = flow.SampleInterval();
    const double wanted = (t1 - t0) / dt + 100;
    const int size = wanted >= 1 ? static_cast<int>(std::min(wanted, 65536.0)) : 0;
    std::vector<double> samples(static_cast<std::size_t>(size));
    double from = t0, to = t1;
    const int count = size > 0 ? flow.Range(from, to, samples.data(), size) : 0;
    EstimateBreathing(count, samples.data(), dt, in.samplesPerPeriod, breathingRate,
                      breathingVolume);
    return analysed ? 0 : 1;
}

int ImpedanceCalculator::BandPassChannels(const AnalysisInputs& in, UserInterface& ui) {
    // The write-back would race the acquisition thread's appends.
    if (in.state.measurementRunning.load()) return 1;
    const int count = ActiveCount();
    if (count == 0) return 1;  // no upper band edge
    const double high = frequencyHz[count - 1] + 3.0;
    BandPassTrace(in.state.buffers[0], 4.0, high, in.samplesPerPeriod);
    BandPassTrace(in.state.buffers[1], 4.0, high, in.samplesPerPeriod);
    ComputeTrend(in, ui);
    return 0;
}

void EstimateBreathing(int count, const double* samples, double interval, int window, double& rate,
                       double& volume) {
    rate = 0;
    volume = 0;
    if (count <= 1) return;
    window = std::max(window, 1);
    // Forward moving average from prefix sums of the unsmoothed signal.
    std::vector<double> prefix(static_cast<std::size_t>(count) + 1, 0.0);
    for (int k = 0; k < count; ++k) prefix[k + 1] = prefix[k] + samples[k];
    std::vector<double> s(static_cast<std::size_t>(count));
    double total = 0;
    for (int k = 0; k < count; ++k) {
        const int end = static_cast<int>(std::min<int64_t>(int64_t{k} + window, count));
        s[k] = (prefix[end] - prefix[k]) / (end - k);
        total += s[k];
    }
    const double mean = total / count;
    for (double& v : s) v -= mean;

    double integral = 0, lastRise = 0, rateSum = 0, volumeSum = 0;
    int rises = 0, cycles = 0, halfCycles = 0;
    bool falling = false;
    for (int m = 1; m < count; ++m) {
        const double a = s[m - 1], b = s[m];
        integral += interval * b;
        if (a <= 0 && b > 0) {
            const double t = m * interval;
            if (rises > 0) {
                rateSum += 1.0 / (t - lastRise);
                ++cycles;
            }
            if (falling) {
                volumeSum -= integral;
                ++halfCycles;
                falling = false;
            }
            lastRise = t;
            ++rises;
        } else if (a > 0 && b <= 0 && rises > 0) {
            falling = true;
            integral = 0;
        }
    }
    if (cycles > 0) rate = rateSum / cycles;
    if (halfCycles > 0) volume = volumeSum / halfCycles;
}

void BandPassTrace(TraceBuffer& trace, double low, double high, int blockMultiple) {
    if (blockMultiple < 1) return;
    const int64_t count = trace.Count();
    const int64_t c = (count + blockMultiple - 1) / blockMultiple * blockMultiple;
    if (c < blockMultiple) return;
    int log2e = 1;
    while ((int64_t{1} << log2e) < c) ++log2e;
    // A record extended beyond four capacities comes only from an absurd block multiple.
    if ((int64_t{1} << log2e) > 4 * int64_t{trace.Capacity()}) return;
    const int64_t e = int64_t{1} << log2e;

    std::vector<double> values(static_cast<std::size_t>(count));
    int32_t n = static_cast<int32_t>(count);
    double start = 0, dt = 0;
    trace.Latest(n, values.data(), start, dt);
    std::vector<Complex> data(static_cast<std::size_t>(e));
    for (int64_t k = 0; k < c; ++k) data[k].re = values[std::min<int64_t>(k, n - 1)];
    for (int64_t k = c; k < e; ++k) data[k] = data[k % c];

    Fft(0, log2e, data.data());
    const double df = 1.0 / (static_cast<double>(e) * dt);
    data[0] = {};
    for (int64_t k = 1; k < e && k * df < low; ++k) data[k] = data[e - k] = {};
    for (int64_t k = e / 2 - 2; k >= 1 && k * df > high; --k) data[k] = data[e - k] = {};
    Fft(1, log2e, data.data());

    for (int32_t k = 0; k < n; ++k) values[k] = data[k].re;
    trace.OverwriteFromOldest(values.data(), n);
}

}  // namespace pelmor
