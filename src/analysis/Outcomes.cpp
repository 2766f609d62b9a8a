#include "analysis/Outcomes.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/NumberFormat.h"
#include "platform/Profile.h"

namespace pelmor {

namespace {

constexpr double kSameFrequency = 0.001;  // Hz

struct SettingKey {
    const char* key;
    double OutcomeSettings::*field;
};

constexpr SettingKey kSettingKeys[] = {
    {"Low frequency", &OutcomeSettings::lowHz},
    {"High frequency", &OutcomeSettings::highHz},
    {"Coherence threshold", &OutcomeSettings::coherenceThreshold},
    {"CoV limit", &OutcomeSettings::covLimitPercent},
    {"R low response", &OutcomeSettings::rLowResponsePercent},
    {"X low response", &OutcomeSettings::xLowResponsePercent},
    {"AX response", &OutcomeSettings::axResponsePercent},
};

std::optional<double> Finite(double v) {
    if (std::isfinite(v)) return v;
    return std::nullopt;
}

std::optional<double> Finite(std::optional<double> v) { return v ? Finite(*v) : std::nullopt; }

// The spectrum's points in ascending frequency (equal frequencies keep their order).
struct SortedSpectrum {
    std::vector<double> f, r, x, c;
};

SortedSpectrum Sorted(const ImpedanceSpectrum& s) {
    const std::size_t n = s.Points();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&s](std::size_t a, std::size_t b) {
        return s.frequencies[a] < s.frequencies[b];
    });
    SortedSpectrum out;
    out.f.reserve(n);
    out.r.reserve(n);
    out.x.reserve(n);
    for (std::size_t k : order) {
        out.f.push_back(s.frequencies[k]);
        out.r.push_back(s.R[k]);
        out.x.push_back(s.X[k]);
    }
    out.c.assign(s.coherence.begin(), s.coherence.end());
    return out;
}

// The first rising zero crossing of X between measured points: X_k < 0 and X_{k+1} >= 0.
std::optional<double> ResonanceFrequency(const std::vector<double>& f,
                                         const std::vector<double>& x) {
    for (std::size_t k = 0; k + 1 < f.size(); ++k) {
        if (x[k] < 0 && x[k + 1] >= 0) return f[k] - x[k] * (f[k + 1] - f[k]) / (x[k + 1] - x[k]);
    }
    return std::nullopt;
}

// The integral of -X from fLow (where X is xLow) to fres (where X is 0) along the straight
// lines between the measured points in between: the trapezoid rule is exact for them.
double ReactanceArea(const std::vector<double>& f, const std::vector<double>& x, double fLow,
                     double xLow, double fres) {
    double area = 0, f0 = fLow, x0 = xLow;
    for (std::size_t k = 0; k < f.size(); ++k) {
        if (!(f[k] > fLow) || !(f[k] < fres)) continue;
        area -= 0.5 * (x0 + x[k]) * (f[k] - f0);
        f0 = f[k];
        x0 = x[k];
    }
    area -= 0.5 * x0 * (fres - f0);
    return area;
}

}  // namespace

OutcomeSettings LoadOutcomeSettings(Profile& profile) {
    OutcomeSettings s;
    for (const SettingKey& k : kSettingKeys) {
        double value = 0;
        if (ParseDouble(profile.GetString(kOutcomeSection, k.key, ""), value) &&
            std::isfinite(value))
            s.*k.field = value;
    }
    if (!ValidateOutcomeSettings(s).empty()) return OutcomeSettings{};
    return s;
}

void SaveOutcomeSettings(Profile& profile, const OutcomeSettings& settings) {
    for (const SettingKey& k : kSettingKeys)
        profile.WriteString(kOutcomeSection, k.key, Format("%.17lg", settings.*k.field));
}

std::string ValidateOutcomeSettings(const OutcomeSettings& s) {
    for (const SettingKey& k : kSettingKeys)
        if (!std::isfinite(s.*k.field)) return "Every outcome option must be a number.";
    if (!(s.lowHz > 0)) return "The low outcome frequency must be above 0 Hz.";
    if (!(s.highHz > s.lowHz)) return "The high outcome frequency must be above the low one.";
    if (!(s.coherenceThreshold >= 0 && s.coherenceThreshold <= 1))
        return "The coherence threshold must lie between 0 and 1.";
    if (!(s.covLimitPercent > 0)) return "The CoV limit must be above 0 %.";
    return "";
}

std::optional<double> SpectrumOutcomes::Value(Outcome o) const {
    switch (o) {
        case Outcome::RLow:
            return rLow;
        case Outcome::XLow:
            return xLow;
        case Outcome::RHigh:
            return rHigh;
        case Outcome::RLowMinusHigh:
            return rLowMinusHigh;
        case Outcome::Fres:
            return fres;
        case Outcome::Ax:
            return ax;
        case Outcome::MinCoherence:
            return minCoherence;
    }
    return std::nullopt;
}

std::optional<double> ValueAtFrequency(std::span<const double> frequencies,
                                       std::span<const double> values, double f) {
    const std::size_t n = std::min(frequencies.size(), values.size());
    if (n == 0 || !std::isfinite(f)) return std::nullopt;
    std::optional<std::size_t> same;
    for (std::size_t k = 0; k < n; ++k)
        if (std::fabs(frequencies[k] - f) <= kSameFrequency) same = k;
    if (same) return values[*same];
    if (f < frequencies[0] || f > frequencies[n - 1]) return std::nullopt;
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const double f0 = frequencies[k], f1 = frequencies[k + 1];
        if (f0 < f && f < f1) return values[k] + (values[k + 1] - values[k]) * (f - f0) / (f1 - f0);
    }
    return std::nullopt;
}

SpectrumOutcomes ComputeOutcomes(const ImpedanceSpectrum& spectrum,
                                 const OutcomeSettings& settings) {
    const SortedSpectrum s = Sorted(spectrum);
    SpectrumOutcomes o;
    const auto xLow = ValueAtFrequency(s.f, s.x, settings.lowHz);
    o.rLow = Finite(ValueAtFrequency(s.f, s.r, settings.lowHz));
    o.xLow = Finite(xLow);
    o.rHigh = Finite(ValueAtFrequency(s.f, s.r, settings.highHz));
    if (o.rLow && o.rHigh) o.rLowMinusHigh = Finite(*o.rLow - *o.rHigh);
    const auto fres = ResonanceFrequency(s.f, s.x);
    o.fres = Finite(fres);
    if (o.xLow && o.fres && *o.fres > settings.lowHz)
        o.ax = Finite(ReactanceArea(s.f, s.x, settings.lowHz, *o.xLow, *o.fres));
    for (double c : s.c) {
        if (std::isnan(c)) continue;
        if (!o.minCoherence || c < *o.minCoherence) o.minCoherence = c;
    }
    if (!s.f.empty()) {
        o.lowestHz = s.f.front();
        o.highestHz = s.f.back();
    }
    return o;
}

OutcomeStatistics SummariseOutcomes(std::span<const SpectrumOutcomes> results) {
    OutcomeStatistics st;
    for (int i = 0; i < kOutcomeCount; ++i) {
        const Outcome o = kAllOutcomes[i];
        double sum = 0;
        int n = 0;
        for (const SpectrumOutcomes& r : results) {
            if (auto v = r.Value(o)) {
                sum += *v;
                ++n;
            }
        }
        st.count[i] = n;
        if (n == 0) continue;
        const double mean = sum / n;
        st.mean[i] = Finite(mean);
        if (n < 2 || !st.mean[i]) continue;
        // Two passes: the deviations from the mean, not the difference of large sums.
        double squares = 0;
        for (const SpectrumOutcomes& r : results)
            if (auto v = r.Value(o)) squares += (*v - mean) * (*v - mean);
        st.sd[i] = Finite(std::sqrt(squares / (n - 1)));
        if (st.sd[i] && mean != 0) st.cov[i] = Finite(100.0 * *st.sd[i] / std::fabs(mean));
    }
    return st;
}

SetQuality AssessQuality(std::span<const SpectrumOutcomes> results,
                         const OutcomeStatistics& statistics, const OutcomeSettings& settings) {
    SetQuality q;
    q.covLimit = settings.covLimitPercent;
    q.covRLow = statistics.Cov(Outcome::RLow);
    if (q.covRLow) q.withinLimit = *q.covRLow <= settings.covLimitPercent;
    for (std::size_t k = 0; k < results.size(); ++k) {
        const auto c = results[k].minCoherence;
        if (c && *c < settings.coherenceThreshold) q.lowCoherence.push_back(static_cast<int>(k));
    }
    // Whether f_L was measured at all, so that the quality line can say why there is no CoV.
    bool outside = !results.empty();
    double lowest = 0, highest = 0;
    for (std::size_t k = 0; k < results.size() && outside; ++k) {
        const SpectrumOutcomes& r = results[k];
        outside = r.lowestHz && r.highestHz &&
                  (settings.lowHz < *r.lowestHz || settings.lowHz > *r.highestHz);
        if (!outside) break;
        lowest = k == 0 ? *r.lowestHz : std::min(lowest, *r.lowestHz);
        highest = k == 0 ? *r.highestHz : std::max(highest, *r.highestHz);
    }
    if (outside) q.lowOutside = std::pair{lowest, highest};
    return q;
}

BaselineChange CompareWithBaseline(const OutcomeStatistics& current,
                                   const OutcomeStatistics& baseline,
                                   const OutcomeSettings& settings) {
    auto change = [&](Outcome o) -> std::optional<double> {
        const auto now = current.Mean(o), before = baseline.Mean(o);
        if (!now || !before || *before == 0) return std::nullopt;
        return Finite(100.0 * (*now - *before) / std::fabs(*before));
    };
    BaselineChange c;
    c.rLow = change(Outcome::RLow);
    c.xLow = change(Outcome::XLow);
    c.ax = change(Outcome::Ax);
    c.rLowPasses = c.rLow && *c.rLow <= settings.rLowResponsePercent;
    c.xLowPasses = c.xLow && *c.xLow >= settings.xLowResponsePercent;
    c.axPasses = c.ax && *c.ax <= settings.axResponsePercent;
    if (c.rLow || c.xLow || c.ax) c.response = c.rLowPasses || c.xLowPasses || c.axPasses;
    return c;
}

OutcomeSet MakeOutcomeSet(std::vector<LabelledOutcomes> results, const OutcomeSettings& settings) {
    OutcomeSet set;
    set.results = std::move(results);
    std::vector<SpectrumOutcomes> values;
    values.reserve(set.results.size());
    for (const LabelledOutcomes& r : set.results) values.push_back(r.outcomes);
    set.statistics = SummariseOutcomes(values);
    set.quality = AssessQuality(values, set.statistics, settings);
    return set;
}

OutcomeReport MakeOutcomeReport(std::vector<LabelledOutcomes> current,
                                std::optional<std::vector<LabelledOutcomes>> baseline,
                                const OutcomeSettings& settings) {
    OutcomeReport report;
    report.settings = settings;
    report.current = MakeOutcomeSet(std::move(current), settings);
    if (baseline) {
        report.baseline = MakeOutcomeSet(std::move(*baseline), settings);
        report.change =
            CompareWithBaseline(report.current.statistics, report.baseline->statistics, settings);
    }
    return report;
}

}  // namespace pelmor
