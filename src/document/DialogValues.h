#pragma once

// The values of the dialogs that have no engine model of their own, with their checks. Plain
// data and pure functions, so the rules can be tested without widgets. Each check returns the
// first failing field in the order the dialog takes its controls, with the message to show.

#include <optional>
#include <string>

#include "core/MeasurementSetup.h"
#include "core/MeasurementState.h"
#include "excitation/ExcitationRecords.h"

namespace pelmor {

// The toolkit's range and length messages.
std::string IntegerRangeMessage(int minimum, int maximum);
std::string NumberRangeMessage(double minimum, double maximum);
std::string LengthMessage(int maximum);

// The range message for a recording time outside kMinRecordingTime ... kMaxRecordingTime; none
// for one inside. The Options dialog and the command line's record command check with it.
std::optional<std::string> RecordingTimeProblem(int seconds);

// The breath-by-breath analysis's settings, checked alike by the impedance display dialog and
// the command line's breaths command: each duration limit (the least and the most Ti and Te)
// 0 ... 60 s, the flow-limitation threshold 0 ... 1e7. The range message when refused (also
// for a NaN); none for a value inside.
std::optional<std::string> BreathDurationLimitProblem(double seconds);
// A least duration above the most one, which would refuse every breath: "The minimum
// inspiration duration must not exceed the maximum." (or expiration); none when in order.
std::optional<std::string> BreathDurationOrderProblem(double minimum, double maximum,
                                                      bool inspiration);
std::optional<std::string> FlowLimitationThresholdProblem(double threshold);

// A refused value: which field (a dialog-specific enum value), which row of a repeated control
// (-1 when there is only one), and the message.
struct FieldProblem {
    int field = 0;
    int row = -1;
    std::string message;
};

// Plot style lists of the display dialogs, in code order.
extern const char* const kPlotStyleNames[3];
extern const char* const kZDisplayModeNames[3];

// ---------------------------------------------------------------- measurement options

enum class OptionsField {
    RecordingTime,
    ScalingAmplitude,
    SignalName,
    Channels,
    XChannel,
    YChannel
};

// What the Options dialog edits, in channel numbers (0 ... 7 for channels 1 ... 8).
struct OptionsValues {
    int rateIndex = 0;
    int recordingTime = 10;
    bool scaling = false;
    double scalingAmplitude = 1.0;
    int dataBits = 1;
    bool channelEnabled[kMaxChannels] = {true, true, false, false, false, false, false, false};
    std::string names[kMaxChannels];
    int xChannel = 0;  // -1: no X row chosen
    int yChannel = 1;
    SweepBlock sweep;  // passes through unchanged
};

// The dialog's values from the setup and the bank's scaling. An X or Y slot that is not a
// measured slot chooses no row, so the user must pick one before OK.
OptionsValues OptionsFromSetup(const MeasurementSetup& setup, const ExcitationBank& bank);
std::optional<FieldProblem> ValidateOptions(const OptionsValues& values);
// Writes validated values back: mask, X and Y slots, rate index, recording time, data bits,
// channel count and slots (CountChannels), sweep, scaling and names. The derived rate and the
// trace buffers wait for the next start.
void ApplyOptions(const OptionsValues& values, MeasurementSetup& setup, ExcitationBank& bank,
                  MeasurementState& state);

// ---------------------------------------------------------------- time window

enum class TimeWindowField { From, To };

struct TimeWindowValues {
    double from = 0;
    double to = 0;
};

constexpr double kMaxTimeWindow = 120.0;

// The dialog's start values: the range rounded to milliseconds.
TimeWindowValues TimeWindowFromRange(double xmin, double xmax);
std::optional<FieldProblem> ValidateTimeWindow(const TimeWindowValues& values);
// The new x range of signal record 0: the two values in order, at least one signal period long.
void ApplyTimeWindow(const TimeWindowValues& values, double signalPeriod, double& xmin,
                     double& xmax);

// ---------------------------------------------------------------- XY display options

enum class XYDisplayField { Cycles, PlotStyle };

struct XYDisplayValues {
    int cycles = 1;  // excitation periods shown while measuring
    int plotStyle = 0;
};

std::optional<FieldProblem> ValidateXYDisplay(const XYDisplayValues& values);

// ---------------------------------------------------------------- impedance display options

enum class ZDisplayField {
    AveragingTime,
    DisplayMode,
    AveragePlotStyle,
    InstantPlotStyle,
    InspirationMin,
    InspirationMax,
    ExpirationMin,
    ExpirationMax,
    FlowScaling,
    FlowSign,
    FlowLimitationThreshold
};

constexpr int kMaxDisplayFrequencies = 256;

struct ZDisplayValues {
    double averagingTime = 1.0;  // s
    int displayMode = 0;
    int averagePlotStyle = 2;
    int instantPlotStyle = 2;
    int dataToDisplay = 0;         // 0 "Impedance spectrum", 1 "Impedance trend at"
    int trendFrequencyIndex = -1;  // position in frequencies; -1 when none is selected
    int frequencyCount = 0;
    double frequencies[kMaxDisplayFrequencies] = {};  // Hz
    double inspirationMin = 0;
    double inspirationMax = 10;
    double expirationMin = 0;
    double expirationMax = 10;
    double flowScalingFactor = 1.0;
    int inspiratoryFlowSign = 1;  // +1 or -1
    double flowLimitationThreshold = 0.28;
};

std::optional<FieldProblem> ValidateZDisplay(const ZDisplayValues& values);

}  // namespace pelmor
