#include "analysis/ModelFit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/NumberFormat.h"
#include "numerics/Statistics.h"
#include "platform/Profile.h"

namespace pelmor {

namespace {

const char kSection[] = "Model";
const char* const kKeys[4] = {"R fmin", "R fmax", "LC fmin", "LC fmax"};
constexpr int kMaxListEntries = 256;

int* Field(ModelOptions& o, int i) {
    int* fields[4] = {&o.rFrom, &o.rTo, &o.lcFrom, &o.lcTo};
    return fields[i];
}

}  // namespace

ModelOptions LoadModelOptions(Profile& profile, const double* frequencies, int count) {
    count = std::clamp(count, 0, kMaxListEntries);
    const int last = std::max(count - 1, 0);
    ModelOptions o{0, last, 0, last};
    std::string text;  // each key defaults to the text of the key before it
    for (int i = 0; i < 4; ++i) {
        text = profile.GetString(kSection, kKeys[i], text);
        double value = 0;
        if (!ParseDouble(text, value)) continue;
        for (int k = 0; k < count; ++k) {
            if (std::fabs(frequencies[k] - value) < 0.001) *Field(o, i) = k;
        }
    }
    return o;
}

std::string ValidateModelOptions(const ModelOptions& o, int count) {
    count = std::clamp(count, 0, kMaxListEntries);
    auto inList = [count](int i) { return i >= 0 && i < count; };
    if (!inList(o.rFrom) || !inList(o.rTo) || o.rTo < o.rFrom) return "Invalid R frequency range";
    if (!inList(o.lcFrom) || !inList(o.lcTo) || o.lcFrom >= o.lcTo)
        return "Invalid LC frequency range";
    return "";
}

void SaveModelOptions(Profile& profile, const ModelOptions& o, const double* frequencies) {
    const int indexes[4] = {o.rFrom, o.rTo, o.lcFrom, o.lcTo};
    for (int i = 0; i < 4; ++i)
        profile.WriteString(kSection, kKeys[i], Format("%lg", frequencies[indexes[i]]));
}

ModelFit FitModel(const double* f, int count, const double* re, const double* x,
                  const ModelOptions& o) {
    const double twoPi = 2 * std::numbers::pi;
    ModelFit fit;
    double sumR = 0;
    for (int i = o.rFrom; i <= o.rTo; ++i) sumR += re[i];
    fit.R = sumR / (o.rTo - o.rFrom + 1);

    const double n = o.lcTo - o.lcFrom + 1;
    double s1 = 0, s2 = 0, s3 = 0, s4 = 0;
    for (int i = o.lcFrom; i <= o.lcTo; ++i) {
        const double w = twoPi * f[i];
        s1 += 1 / (w * w);
        s2 += x[i] / w;
        s3 += w * x[i];
        s4 += w * w;
    }
    fit.C = (n - s1 * s4 / n) / (s2 * s4 / n - s3);
    fit.L = (s3 + n / fit.C) / s4;
    fit.fRes = 1 / (twoPi * std::sqrt(fit.L * fit.C));

    double sum = 0;
    for (int i = 0; i < count; ++i) {
        const double w = twoPi * f[i];
        const double mr = fit.R, mx = w * fit.L - 1 / (w * fit.C);
        const double dr = re[i] - mr, dx = x[i] - mx;
        sum += (dr * dr + dx * dx) / (mr * mr + mx * mx);
    }
    fit.error = std::sqrt(sum / count);
    return fit;
}

void MeanAndStdDev(const std::vector<double>& values, double& mean, double& stdDev) {
    const int m = static_cast<int>(values.size());
    mean = m > 0 ? Mean(m, values.data()) : 0.0;
    stdDev = StandardDeviation(m, values.data());
}

std::string ModelBlockText(const double* f, int count, const std::vector<ModelInput>& results,
                           const ModelOptions& options) {
    std::vector<ModelFit> fits;
    for (const ModelInput& r : results) fits.push_back(FitModel(f, count, r.re, r.x, options));

    std::string text = "\r\n\t\t\t";
    for (const ModelInput& r : results) text += "\t" + r.label;
    text += "\r\n\tMean\tStdDev\t";
    for (std::size_t k = 1; k <= results.size(); ++k) text += Format("\t%d", static_cast<int>(k));
    text += "\r\n";

    auto line = [&text](const char* name, std::vector<double> values, double scale) {
        double mean = 0, stdDev = 0;
        MeanAndStdDev(values, mean, stdDev);
        text += Format("%s\t%lg\t%lg\t", name, mean * scale, stdDev * scale);
        for (double v : values) text += Format("\t%lg", v * scale);
        text += "\r\n";
    };
    auto column = [&fits](double ModelFit::*member) {
        std::vector<double> v;
        for (const ModelFit& fit : fits) v.push_back(fit.*member);
        return v;
    };
    std::vector<double> rates, volumes;
    for (const ModelInput& r : results) {
        rates.push_back(r.breathingRate);
        volumes.push_back(r.breathingVolume);
    }
    line("R", column(&ModelFit::R), 1);
    line("C", column(&ModelFit::C), 1);
    line("L", column(&ModelFit::L), 1);
    line("fRes", column(&ModelFit::fRes), 1);
    line("RespRate", rates, 60);
    line("dVol", volumes, 1);
    text += "Error\t\t\t";
    for (const ModelFit& fit : fits) text += Format("\t%lg", fit.error);
    return text;
}

}  // namespace pelmor
