#include "clinical/Units.h"

#include <cmath>

#include "core/NumberFormat.h"
#include "platform/Profile.h"

namespace pelmor {

namespace {

struct UnitRow {
    ImpedanceUnit unit;
    const char* name;
    const char* area;
    double perKilopascal;
};

constexpr UnitRow kUnits[] = {
    {ImpedanceUnit::KPaSecondPerLitre, "kPa·s/L", "kPa/L", 1.0},
    {ImpedanceUnit::CmH2OSecondPerLitre, "cmH2O·s/L", "cmH2O/L", 10.1972},
    {ImpedanceUnit::HPaSecondPerLitre, "hPa·s/L", "hPa/L", 10.0},
};

const UnitRow& Row(ImpedanceUnit unit) {
    for (const UnitRow& r : kUnits)
        if (r.unit == unit) return r;
    return kUnits[0];
}

}  // namespace

const char* UnitName(ImpedanceUnit unit) { return Row(unit).name; }
const char* AreaUnitName(ImpedanceUnit unit) { return Row(unit).area; }

std::optional<ImpedanceUnit> ParseUnit(const std::string& name) {
    for (const UnitRow& r : kUnits)
        if (name == r.name) return r.unit;
    return std::nullopt;
}

double UnitsPerKilopascal(ImpedanceUnit unit) { return Row(unit).perKilopascal; }

double ConvertImpedance(double value, ImpedanceUnit from, ImpedanceUnit to) {
    if (from == to) return value;
    return value / UnitsPerKilopascal(from) * UnitsPerKilopascal(to);
}

UnitSettings LoadUnitSettings(Profile& profile) {
    UnitSettings s;
    if (auto u = ParseUnit(profile.GetString(kUnitsSection, kCalibrationUnitKey, "")))
        s.calibration = *u;
    if (auto u = ParseUnit(profile.GetString(kUnitsSection, kDisplayUnitKey, ""))) s.display = *u;
    return s;
}

void SaveUnitSettings(Profile& profile, const UnitSettings& settings) {
    profile.WriteString(kUnitsSection, kCalibrationUnitKey, UnitName(settings.calibration));
    profile.WriteString(kUnitsSection, kDisplayUnitKey, UnitName(settings.display));
}

int ShownDecimals(ShownQuantity quantity, std::optional<ImpedanceUnit> unit) {
    const bool kilopascal = !unit || *unit == ImpedanceUnit::KPaSecondPerLitre;
    switch (quantity) {
        case ShownQuantity::Impedance:
            return kilopascal ? 3 : 2;
        case ShownQuantity::Area:
            return kilopascal ? 2 : 1;
        case ShownQuantity::Frequency:
        case ShownQuantity::Percent:
            return 1;
        case ShownQuantity::ZScore:
            return 2;
        case ShownQuantity::PercentPredicted:
            return 0;
    }
    return 3;
}

std::string FormatRounded(double value, int decimals) {
    if (!std::isfinite(value)) return "";
    const double scale = std::pow(10.0, decimals);
    // A magnitude below half the last digit is that resolution's zero, without a sign.
    if (std::fabs(value) * scale < 0.5) value = 0.0;
    std::string text = Format("%.*f", decimals, value);
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    return text;
}

std::string FormatShown(double value, ShownQuantity quantity, std::optional<ImpedanceUnit> unit) {
    return FormatRounded(value, ShownDecimals(quantity, unit));
}

std::string ShownUnit(ShownQuantity quantity, std::optional<ImpedanceUnit> unit) {
    switch (quantity) {
        case ShownQuantity::Impedance:
            return unit ? UnitName(*unit) : kUncalibratedUnit;
        case ShownQuantity::Area:
            return unit ? AreaUnitName(*unit) : "V/V·Hz";
        case ShownQuantity::Frequency:
            return "Hz";
        case ShownQuantity::Percent:
        case ShownQuantity::PercentPredicted:
            return "%";
        case ShownQuantity::ZScore:
            return "";
    }
    return "";
}

}  // namespace pelmor
