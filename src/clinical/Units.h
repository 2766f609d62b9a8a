#pragma once

// The units impedance is given in, their conversions, and the rounding of values for reading
// (dialogs, windows, the report). Tables handed out and files written keep full precision.

#include <optional>
#include <string>

namespace pelmor {

class Profile;

enum class ImpedanceUnit { KPaSecondPerLitre, CmH2OSecondPerLitre, HPaSecondPerLitre };

// "kPa·s/L", "cmH2O·s/L", "hPa·s/L".
const char* UnitName(ImpedanceUnit unit);
// The unit of the reactance area (impedance unit times Hz): "kPa/L", "cmH2O/L", "hPa/L".
const char* AreaUnitName(ImpedanceUnit unit);
std::optional<ImpedanceUnit> ParseUnit(const std::string& name);

// The impedance of an uncalibrated measurement: a ratio of volts.
inline constexpr char kUncalibratedUnit[] = "V/V (not calibrated)";

// How many of the unit make 1 kPa·s/L: 1, 10.1972, 10.
double UnitsPerKilopascal(ImpedanceUnit unit);
double ConvertImpedance(double value, ImpedanceUnit from, ImpedanceUnit to);

// The settings section "Units": the unit the loaded calibration gives impedance in, and the
// unit values are shown in (both "kPa·s/L" unless set to another of the three).
struct UnitSettings {
    ImpedanceUnit calibration = ImpedanceUnit::KPaSecondPerLitre;
    ImpedanceUnit display = ImpedanceUnit::KPaSecondPerLitre;
};
inline constexpr char kUnitsSection[] = "Units";
inline constexpr char kCalibrationUnitKey[] = "Calibration unit";
inline constexpr char kDisplayUnitKey[] = "Display unit";
UnitSettings LoadUnitSettings(Profile& profile);
void SaveUnitSettings(Profile& profile, const UnitSettings& settings);

// What a value shown for reading is.
enum class ShownQuantity { Impedance, Area, Frequency, Percent, ZScore, PercentPredicted };

// The decimals a quantity is shown with: R and X 3 in kPa·s/L (and uncalibrated), 2 in
// cmH2O·s/L and hPa·s/L; AX 2 (1 in cmH2O/L and hPa/L); Fres and CoV 1; z 2; % predicted 0.
int ShownDecimals(ShownQuantity quantity,
                  std::optional<ImpedanceUnit> unit = ImpedanceUnit::KPaSecondPerLitre);

// The value rounded to that many decimals in fixed notation, never in exponent form and never
// "-0": 2.12016e-07 at 3 decimals is "0.000". Not-finite values are "".
std::string FormatRounded(double value, int decimals);
std::string FormatShown(double value, ShownQuantity quantity,
                        std::optional<ImpedanceUnit> unit = ImpedanceUnit::KPaSecondPerLitre);

// The unit text of a quantity: the impedance unit, the area unit, "Hz", "%", "" for z; none
// (an uncalibrated measurement) gives kUncalibratedUnit for impedance and "V/V·Hz" for the area.
std::string ShownUnit(ShownQuantity quantity, std::optional<ImpedanceUnit> unit);

}  // namespace pelmor
