#include "analysis/CalibrationTable.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "numerics/ComplexMath.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {

constexpr int kNumbersPerLine = 21;
constexpr double kLowestFrequency = 0.5;
constexpr double kHighestFrequency = 100.0;

// The ten coefficient columns in file and copy order.
Complex* Column(CalibrationTable& t, int c) {
    Complex* columns[] = {t.A, t.B, t.C, t.D, t.E, t.F, t.Z0, t.sh, t.T21, t.ch};
    return columns[c];
}
const Complex* Column(const CalibrationTable& t, int c) {
    return Column(const_cast<CalibrationTable&>(t), c);
}

bool Same(double a, double b) { return a == b; }  // NaN never equals

// Reads the 21 numbers of one data line (tabs already spaces, commas already points).
bool ReadDataLine(std::string_view line, double (&numbers)[kNumbersPerLine]) {
    std::size_t pos = 0;
    for (double& v : numbers) {
        const std::size_t used = ParseLeadingDouble(line.substr(pos), v);
        if (used == 0) return false;
        pos += used;
    }
    return true;
}

}  // namespace

int FindCalibrationPoint(const CalibrationTable& table, double f) {
    const int n = std::clamp(table.count, 0, kMaxCalibrationPoints);
    for (int k = n - 1; k >= 0; --k) {
        if (std::fabs(f - table.frequency[k]) < kCalibrationTolerance) return k;
    }
    return -1;
}

Complex CalibratePoint(const CalibrationTable& t, int k, Complex m) {
    using namespace cx;
    const Complex one = Real(1.0);
    const Complex a = t.A[k], b = t.B[k], c = t.C[k], d = t.D[k], e = t.E[k], f = t.F[k];
    // S(C, D) * S(E, F), with S(P, Q) = [[1 + P/Q, P], [1/Q, 1]].
    const Complex cd = Add(one, Div(c, d));
    const Complex ef = Add(one, Div(e, f));
    const Complex q1 = Add(Mul(cd, ef), Div(c, f));
    const Complex q2 = Add(Mul(cd, e), c);
    const Complex q3 = Add(Div(ef, d), Div(one, f));
    const Complex q4 = Add(Div(e, d), one);
    // S(A, B) times that.
    const Complex ab = Add(one, Div(a, b));
    const Complex m11 = Add(Mul(ab, q1), Mul(a, q3));
    const Complex m12 = Add(Mul(ab, q2), Mul(a, q4));
    const Complex m21 = Add(Div(q1, b), q3);
    const Complex m22 = Add(Div(q2, b), q4);
    const Complex w = Div(Mul(t.Z0[k], t.sh[k]), Sub(Mul(m, t.T21[k]), t.ch[k]));
    return Div(Sub(m12, Mul(w, m22)), Sub(Mul(w, m21), m11));
}

bool CalibrationCovers(const CalibrationTable& table, const ActiveExcitation& excitation) {
    const int n = std::clamp(excitation.componentCount, 0, kMaxComponents);
    for (int i = 0; i < n; ++i) {
        const double f = excitation.frequencyIndex[i] / excitation.period;
        if (FindCalibrationPoint(table, f) < 0) return false;
    }
    return true;
}

bool CalibrationTablesDiffer(const CalibrationTable& a, const CalibrationTable& b) {
    if (a.count != b.count) return true;
    const int n = std::clamp(a.count, 0, kMaxCalibrationPoints);
    for (int k = 0; k < n; ++k) {
        if (!Same(a.frequency[k], b.frequency[k])) return true;
        for (int c = 0; c < 10; ++c) {
            const Complex x = Column(a, c)[k], y = Column(b, c)[k];
            if (!Same(x.re, y.re) || !Same(x.im, y.im)) return true;
        }
    }
    return false;
}

CalibrationParse ParseCalibrationText(std::string_view text, CalibrationTable& table,
                                      bool& truncated) {
    truncated = false;
    std::size_t lineEnd = text.find('\n');
    std::string_view first = text.substr(0, lineEnd);
    if (first.substr(0, 4) != "Freq") return CalibrationParse::NotCalibration;

    table.count = 0;
    std::string line;
    while (lineEnd != std::string_view::npos) {
        const std::size_t start = lineEnd + 1;
        lineEnd = text.find('\n', start);
        line.assign(text.substr(
            start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start));
        std::replace(line.begin(), line.end(), '\t', ' ');
        std::replace(line.begin(), line.end(), ',', '.');
        double v[kNumbersPerLine];
        if (!ReadDataLine(line, v)) break;
        // A frequency that is not a number is as invalid as one out of range.
        if (!(v[0] >= kLowestFrequency && v[0] <= kHighestFrequency)) break;
        if (table.count == kMaxCalibrationPoints) {
            truncated = true;
            break;
        }
        const int k = table.count;
        table.frequency[k] = v[0];
        for (int c = 0; c < 10; ++c) Column(table, c)[k] = {v[1 + 2 * c], v[2 + 2 * c]};
        ++table.count;
    }
    return table.count > 0 ? CalibrationParse::Loaded : CalibrationParse::NoData;
}

bool ImportCalibration(const std::string& path, UserInterface& ui, CalibrationTable& table) {
    std::string text, reason;
    if (!ReadFileText(path, text, reason)) {
        ui.ShowMessage(Format("Can't open file %s.", path.c_str()) + "\r\n" + reason);
        return false;
    }
    // Parse into a scratch table so that a refused file leaves the caller's table as it was.
    auto parsed = std::make_unique<CalibrationTable>(table);
    bool truncated = false;
    switch (ParseCalibrationText(text, *parsed, truncated)) {
        case CalibrationParse::NotCalibration:
            ui.ShowMessage("Can't load data from this file.");
            return false;
        case CalibrationParse::NoData:
            table = *parsed;
            ui.ShowMessage("No valid data could be read.");
            return true;
        case CalibrationParse::Loaded:
            break;
    }
    table = *parsed;
    std::string message = "Calibration data were loaded for:\r\n";
    for (int k = 0; k + 1 < table.count; ++k) message += Format("%lg, ", table.frequency[k]);
    message += Format("%lg Hz.", table.frequency[table.count - 1]);
    if (truncated) message += "\r\nOnly the first 256 points were read.";
    // B, D and F are divisors of the correction: a zero there gives no impedance at that point.
    for (int k = 0; k < table.count; ++k) {
        for (int c : {1, 3, 5}) {
            const Complex v = Column(table, c)[k];
            if (v.re == 0 && v.im == 0) {
                message += Format(
                    "\r\nThe calibration point at %lg Hz divides by zero and gives "
                    "no valid impedance.",
                    table.frequency[k]);
                break;
            }
        }
    }
    ui.ShowMessage(message);
    return true;
}

std::string CalibrationText(const CalibrationTable& table) {
    std::string text =
        "Freq\treA\timA\treB\timB\treC\timC\treD\timD\treE\timE\treF\timF\treZ0\timZ0\tresh\timsh"
        "\treT21\timT21\trech\timch\r\n";
    const int n = std::clamp(table.count, 0, kMaxCalibrationPoints);
    for (int k = 0; k < n; ++k) {
        text += Format("%lg", table.frequency[k]);
        for (int c = 0; c < 10; ++c) {
            const Complex v = Column(table, c)[k];
            text += Format("\t%lg\t%lg", v.re, v.im);
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace pelmor
