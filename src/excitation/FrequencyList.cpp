#include "excitation/FrequencyList.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "core/MeasurementSetup.h"
#include "core/NumberFormat.h"
#include "excitation/ExcitationDefinition.h"

namespace pelmor {

namespace {

// A frequency times the period may stray this far from a whole number and still count as a
// multiple of the fundamental (decimal fractions such as 0.1 Hz steps are not exact).
constexpr double kMultipleTolerance = 1e-6;

std::string_view Trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// A whole item as a finite number without a sign (a '-' is the range mark).
bool Number(std::string_view s, double& value) {
    s = Trimmed(s);
    if (s.empty() || s.front() == '+' || s.front() == '-') return false;
    double v = 0;
    if (!ParseDouble(s, v) || !std::isfinite(v)) return false;
    value = v;
    return true;
}

std::string Hz(double f) { return Format("%lg Hz", f); }

class ListReader {
  public:
    ListReader(int periodCode, double sampleRate)
        : code_(std::clamp(periodCode, 0, 4)),
          period_(2.0 / static_cast<double>(1 << code_)),
          sampleRate_(sampleRate) {}

    // Index of the whole multiple of 1/T nearest to f*T, or -1 when f*T is not one.
    long long MultipleOf(double f) const {
        const double n = f * period_;
        if (!(n < 1e12)) return 1000000000000LL;  // whole at this size; refused as too high
        const double whole = std::round(n);
        if (std::fabs(n - whole) > kMultipleTolerance * std::max(1.0, whole)) return -1;
        return static_cast<long long>(whole);
    }

    std::string Fundamental() const {
        return Format("the %lg Hz fundamental of the %s period", 1.0 / period_,
                      kPeriodNames[code_]);
    }

    // Adds one frequency; false with `error` set when it is refused.
    bool Add(double f) {
        const long long n = MultipleOf(f);
        if (n < 0) return Fail(Hz(f) + " is not a multiple of " + Fundamental() + ".");
        if (n < 1) return Fail(Hz(f) + " is below " + Fundamental() + ".");
        if (!(f < sampleRate_ / 4.0))
            return Fail(Hz(f) +
                        Format(" is not below a quarter of the %lg Hz sample rate.", sampleRate_));
        if (seen_.count(n)) return true;
        if (static_cast<int>(list_.indexes.size()) >= kMaxListFrequencies)
            return Fail(Hz(f) + Format(" would be frequency %d of the list; it holds at most %d.",
                                       kMaxListFrequencies + 1, kMaxListFrequencies));
        seen_.insert(n);
        list_.indexes.push_back(static_cast<int>(n));
        return true;
    }

    bool Item(std::string_view item) {
        const std::string quoted = "\"" + std::string(item) + "\"";
        const std::size_t dash = item.find('-'), slash = item.find('/');
        if (dash == std::string_view::npos && slash == std::string_view::npos) {
            double f = 0;
            if (!Number(item, f)) return Fail(quoted + " is not a number.");
            return Add(f);
        }
        double from = 0, to = 0, step = 0;
        if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash ||
            !Number(item.substr(0, dash), from) ||
            !Number(item.substr(dash + 1, slash - dash - 1), to) ||
            !Number(item.substr(slash + 1), step))
            return Fail(quoted + " is not a range; a range is written from-to/step, as 5-35/1.");
        if (to < from) return Fail(quoted + " is not a range; it ends below its start.");
        const long long stepCycles = MultipleOf(step);
        if (stepCycles < 1)
            return Fail("The step " + Hz(step) + " of " + quoted + " is not a multiple of " +
                        Fundamental() + ".");
        if (!Add(from)) return false;
        // Members are counted in cycles per period from the start, so no rounding piles up.
        const double toCycles = std::min(to * period_, 1e12);
        const auto last = static_cast<long long>(
            std::floor(toCycles + kMultipleTolerance * std::max(1.0, toCycles)));
        for (long long n = MultipleOf(from) + stepCycles; n <= last; n += stepCycles)
            if (!Add(static_cast<double>(n) / period_)) return false;
        return true;
    }

    FrequencyList Take() { return std::move(list_); }

  private:
    bool Fail(std::string message) {
        list_.indexes.clear();
        list_.error = std::move(message);
        return false;
    }

    int code_;
    double period_;
    double sampleRate_;
    FrequencyList list_;
    std::unordered_set<long long> seen_;
};

}  // namespace

FrequencyList ParseFrequencyList(std::string_view text, int periodCode, double sampleRate) {
    ListReader reader(periodCode, sampleRate);
    bool any = false;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trimmed(text.substr(0, comma));
        if (!item.empty()) {
            any = true;
            if (!reader.Item(item)) return reader.Take();
        }
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    FrequencyList list = reader.Take();
    if (!any) list.error = "The frequency list is empty.";
    std::sort(list.indexes.begin(), list.indexes.end());
    return list;
}

double ListSampleRate() { return SampleRateForIndex(0); }

FrequencyList DefinitionFrequencyList(const ExcitationDefinition& definition) {
    return ParseFrequencyList(definition.frequencyList, definition.periodCode, ListSampleRate());
}

std::vector<double> FrequencyListAmplitudes(const std::vector<int>& indexes, int amplitudeShape) {
    std::vector<double> amplitudes;
    if (indexes.empty()) return amplitudes;
    const double lowest = *std::min_element(indexes.begin(), indexes.end());
    for (int index : indexes) {
        const double n = index / lowest;
        amplitudes.push_back(AmplitudeByLaw(amplitudeShape, n));
    }
    return amplitudes;
}

}  // namespace pelmor
