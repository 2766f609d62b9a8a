#include "export/ImpedanceTables.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/ImpedanceCalculator.h"
#include "core/MeasurementState.h"
#include "core/NumberFormat.h"
#include "export/BreathTable.h"
#include "export/TextHandoff.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {

constexpr int kMaxTableSamples = 65536;

std::string NormalModeTable(const ImpedanceCalculator& c, bool running) {
    std::string text = "F[Hz]\t<re>\t<im>";
    if (running) {
        for (int k = 1; k <= c.ringCount; ++k) text += Format("\tre (%d)\tim (%d)", k, k);
    } else {
        text += Format("\tCoherence (%d samples)", c.periodsAccumulated);
    }
    text += "\r\n";
    const int count = std::clamp<int>(c.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    if (count == 0) return "";
    const int ringLength = std::clamp<int>(c.ringLength, 1, ImpedanceCalculator::kRingSlots);
    const int ringCount = std::clamp<int>(c.ringCount, 0, ringLength);
    const int oldest = std::clamp<int>(c.ringIndex, 0, ringLength - 1);
    for (int i = 0; i < count; ++i) {
        text += Format("%lg", c.frequencyHz[i]);
        if (running) {
            text += Format("\t%lg\t%lg", c.averageR[i], c.averageX[i]);
            for (int j = 0; j < ringCount; ++j) {
                const int slot = (oldest + j) % ringLength;
                text += Format("\t%lg\t%lg", c.instantR[slot][i], c.instantX[slot][i]);
            }
        } else {
            text += Format("\t%lg\t%lg\t%lg", c.ensembleR[i], c.ensembleX[i], c.coherence[i]);
        }
        text += "\r\n";
    }
    return text;
}

std::string TrackingModeTable(const ImpedanceCalculator& c, double endTime) {
    std::string text = "time\tre\tim\r\n";
    const int capacity = std::clamp<int>(c.trendCapacity, 1, ImpedanceCalculator::kTrendLength);
    const int points = std::clamp<int>(c.trendCount, 0, capacity);
    if (points == 0) return "";
    for (int j = 0; j < points; ++j) {
        const int entry = (c.trendStart + j) % capacity;
        text += Format("%lg\t%lg\t%lg\r\n", (j - points) / 10.0 + endTime, c.trendR[entry],
                       c.trendX[entry]);
    }
    return text;
}

// Forward moving average over window samples (fewer where the data end), each mean over the
// unsmoothed values, then the mean of the smoothed values removed.
void SmoothFlow(std::vector<double>& v, int window) {
    const int m = static_cast<int>(v.size());
    if (m == 0) return;
    window = std::max(window, 1);
    std::vector<double> prefix(m + 1, 0.0);
    for (int j = 0; j < m; ++j) prefix[j + 1] = prefix[j] + v[j];
    double total = 0;
    for (int j = 0; j < m; ++j) {
        const int end = std::min(j + window, m);
        v[j] = (prefix[end] - prefix[j]) / (end - j);
        total += v[j];
    }
    const double mean = total / m;
    for (double& x : v) x -= mean;
}

}  // namespace

std::string BreathRateSection(const TraceBuffer& flow, double t0, double t1, int smoothingWindow) {
    std::string text = "\r\nRespiratory rate\t\tFlow\r\n";
    const double dt = flow.SampleInterval();
    if (!(dt > 0) || !std::isfinite(t0) || !std::isfinite(t1)) return text;
    const double wanted = (t1 - t0) / dt + 100;
    const int n = wanted <= 0 ? 0 : static_cast<int>(std::min<double>(wanted, kMaxTableSamples));
    std::vector<double> samples(n);
    const int m = n > 0 ? flow.Range(t0, t1, samples.data(), n) : 0;
    samples.resize(std::max(m, 0));
    SmoothFlow(samples, smoothingWindow);

    int row = 0;
    bool haveCrossing = false;
    double previous = 0;
    for (int k = 1; k < m; ++k) {
        if (!(samples[k - 1] <= 0 && samples[k] > 0)) continue;
        const double time = t0 + k * dt;
        if (haveCrossing) {
            text += Format("%lg\t\t%lg\r\n", 1 / (time - previous), samples[row]);
            ++row;
        }
        haveCrossing = true;
        previous = time;
    }
    for (; row < m; ++row) text += Format("\t\t%lg\r\n", samples[row]);
    return text;
}

std::string ImpedanceTableText(const ImpedanceTableSource& source) {
    const ImpedanceCalculator& c = source.calculator;
    std::string text = source.measurementMode == 1
                           ? TrackingModeTable(c, source.state.buffers[0].EndTime())
                           : NormalModeTable(c, source.state.measurementRunning.load() != 0);
    if (text.empty()) return text;
    return text + BreathRateSection(source.state.buffers[2], c.intervalStart, c.intervalEnd,
                                    source.samplesPerPeriod);
}

bool BuildImpedanceTable(bool toSpreadsheet, const ImpedanceTableSource& source, Shell& shell,
                         UserInterface& ui) {
    const std::string text = ImpedanceTableText(source);
    if (text.empty()) return false;
    return toSpreadsheet ? OpenTextInSpreadsheet(text, shell, ui)
                         : CopyTextToClipboard(text, shell);
}

bool HandOutImpedanceData(bool toSpreadsheet, const std::string& storedTableText,
                          const ImpedanceTableSource& source, Shell& shell, UserInterface& ui) {
    if (storedTableText.empty()) return BuildImpedanceTable(toSpreadsheet, source, shell, ui);
    return toSpreadsheet ? OpenTextInSpreadsheet(storedTableText, shell, ui)
                         : CopyTextToClipboard(storedTableText, shell);
}

bool ImpedanceWindowHandOff(bool toSpreadsheet, const ImpedanceTableSource& source,
                            const std::function<BreathAnalysis()>& breaths, Shell& shell,
                            UserInterface& ui) {
    if (source.calculator.zTrendDisplay && source.state.measurementRunning.load() == 0)
        return HandOutBreathTable(toSpreadsheet, source.calculator, breaths, shell, ui);
    return BuildImpedanceTable(toSpreadsheet, source, shell, ui);
}

std::string SignalTableText(const TraceBuffer& buffer, double t0, double t1, double sampleRate,
                            bool integrate, double yLow, double yHigh) {
    if (buffer.Count() == 0 || !(sampleRate > 0)) return "";
    t0 = std::max(t0, 0.0);
    std::vector<double> samples(kMaxTableSamples);
    const int m = buffer.Range(t0, t1, samples.data(), kMaxTableSamples);
    if (m <= 0) return "";

    std::vector<double> mapped;
    if (integrate) {
        double mean = 0;
        for (int i = 0; i < m; ++i) mean += samples[i];
        mean /= m;
        mapped.resize(m);
        double v = 0, lo = 0, hi = 0;
        for (int i = 0; i < m; ++i) {
            v += (samples[i] - mean) / sampleRate;
            mapped[i] = v;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        // A flat integral has no span to map; it is drawn at the bottom of the range.
        for (double& x : mapped) x = hi > lo ? yLow + (x - lo) / (hi - lo) * (yHigh - yLow) : yLow;
    }
    std::string text;
    for (int i = 0; i < m; ++i) {
        text += Format("%lg\t%lg", t0 + i / sampleRate, samples[i]);
        if (integrate) text += Format("\t%lg", mapped[i]);
        text += "\r\n";
    }
    return text;
}

std::string PointTableText(const double* first, const double* second, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += Format("%lg\t%lg\r\n", first[i], second[i]);
    return text;
}

}  // namespace pelmor
