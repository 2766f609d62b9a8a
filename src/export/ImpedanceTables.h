#pragma once

#include <functional>
#include <string>

#include "analysis/BreathAnalysis.h"

namespace pelmor {

class ImpedanceCalculator;
class Shell;
class TraceBuffer;
class UserInterface;
struct MeasurementState;

// What the impedance data table reads: the calculator's results, the running flag and the trace
// buffers (buffer 0 for the end of the data, buffer 2 for the flow), the measurement mode
// (0 normal, 1 tracking) and the samples in one excitation period (the flow smoothing window).
struct ImpedanceTableSource {
    const ImpedanceCalculator& calculator;
    const MeasurementState& state;
    int measurementMode = 0;
    int samplesPerPeriod = 0;
};

// The impedance data table: in normal mode the averaged spectrum with every live ring slot
// while measuring, otherwise the last time-window analysis with its coherence; in tracking mode
// the live trend. Both end with the breath-rate section. "" when there is nothing to hand out
// (no active frequency in normal mode, no trend point in tracking mode).
std::string ImpedanceTableText(const ImpedanceTableSource& source);

// The breath-rate section over [t0, t1] of the flow trace: the rates of successive rising zero
// crossings of the smoothed flow beside the smoothed flow, sample by sample.
std::string BreathRateSection(const TraceBuffer& flow, double t0, double t1, int smoothingWindow);

// Builds the impedance data table and hands it to the spreadsheet or the clipboard. False when
// nothing was handed out.
bool BuildImpedanceTable(bool toSpreadsheet, const ImpedanceTableSource& source, Shell& shell,
                         UserInterface& ui);

// "Copy impedance data" / "Open impedance data in Spreadsheet": the stored-data table once one has
// been built, otherwise the impedance data table.
bool HandOutImpedanceData(bool toSpreadsheet, const std::string& storedTableText,
                          const ImpedanceTableSource& source, Shell& shell, UserInterface& ui);

// "Copy" / "Open in Spreadsheet" of the impedance window: the breath table of the record (the
// analysis `breaths` gives, asked for only then) while the window shows the trend and no
// measurement runs (nothing without an offline trend), otherwise the impedance data table. True
// when a table was handed out.
bool ImpedanceWindowHandOff(bool toSpreadsheet, const ImpedanceTableSource& source,
                            const std::function<BreathAnalysis()>& breaths, Shell& shell,
                            UserInterface& ui);

// The signal window's table: time and value of every sample of buffer in the displayed range
// [t0, t1] (t0 raised to 0), at most 65536 lines, no header. With integrate, a third column holds
// the running integral of the mean-free signal mapped onto the window's y range [yLow, yHigh].
// "" when the buffer holds no sample in the range.
std::string SignalTableText(const TraceBuffer& buffer, double t0, double t1, double sampleRate,
                            bool integrate, double yLow, double yHigh);

// Two columns of "%lg" values, one line per point, no header: the XY window's points (x, y) and
// a spectrum window's displayed points (frequency, value).
std::string PointTableText(const double* first, const double* second, int count);

}  // namespace pelmor
