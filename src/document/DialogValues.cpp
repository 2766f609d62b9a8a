#include "document/DialogValues.h"

#include <algorithm>
#include <cmath>

#include "core/NumberFormat.h"
#include "core/TextEncoding.h"

namespace pelmor {

const char* const kPlotStyleNames[3] = {"Lines only", "Symbols only", "Lines and symbols"};
const char* const kZDisplayModeNames[3] = {"Average only", "Average and signals", "Signals only"};

std::string IntegerRangeMessage(int minimum, int maximum) {
    return Format("Enter an integer between %d and %d.", minimum, maximum);
}

std::string NumberRangeMessage(double minimum, double maximum) {
    return Format("Enter a number between %.15g and %.15g.", minimum, maximum);
}

std::string LengthMessage(int maximum) {
    return Format("Enter no more than %d characters.", maximum);
}

std::optional<std::string> RecordingTimeProblem(int seconds) {
    if (seconds >= kMinRecordingTime && seconds <= kMaxRecordingTime) return std::nullopt;
    return IntegerRangeMessage(kMinRecordingTime, kMaxRecordingTime);
}

namespace {

// Written so that a NaN (text that is no number) fails.
bool Outside(double v, double lo, double hi) { return !(v >= lo && v <= hi); }

FieldProblem IntegerProblem(int field, int lo, int hi, int row = -1) {
    return {field, row, IntegerRangeMessage(lo, hi)};
}

FieldProblem NumberProblem(int field, double lo, double hi, int row = -1) {
    return {field, row, NumberRangeMessage(lo, hi)};
}

template <typename E>
int F(E e) {
    return static_cast<int>(e);
}

}  // namespace

std::optional<std::string> BreathDurationLimitProblem(double seconds) {
    if (Outside(seconds, 0, 60)) return NumberRangeMessage(0, 60);
    return std::nullopt;
}

std::optional<std::string> BreathDurationOrderProblem(double minimum, double maximum,
                                                      bool inspiration) {
    if (!(minimum > maximum)) return std::nullopt;
    return Format("The minimum %s duration must not exceed the maximum.",
                  inspiration ? "inspiration" : "expiration");
}

std::optional<std::string> FlowLimitationThresholdProblem(double threshold) {
    if (Outside(threshold, 0, 1e7)) return NumberRangeMessage(0, 1e7);
    return std::nullopt;
}

// ---------------------------------------------------------------- measurement options

OptionsValues OptionsFromSetup(const MeasurementSetup& setup, const ExcitationBank& bank) {
    OptionsValues v;
    int list[kMaxChannels] = {};
    int count = 0;
    for (int k = 1; k <= kMaxChannels; ++k) {
        v.channelEnabled[k - 1] = (setup.channelMask >> MaskBitOfChannel(k) & 1) != 0;
        if (v.channelEnabled[k - 1]) list[count++] = k - 1;
        v.names[k - 1] = setup.channelNames[k - 1];
    }
    auto channelOfSlot = [&](int slot) { return slot >= 0 && slot < count ? list[slot] : -1; };
    v.xChannel = channelOfSlot(setup.xChannelIndex);
    v.yChannel = channelOfSlot(setup.yChannelIndex);
    v.recordingTime = setup.recordingTime;
    v.rateIndex = std::clamp(setup.sampleRateIndex, 0, 2);
    v.dataBits = setup.dataBits != 0 ? 1 : 0;
    v.scaling = bank.normaliseAmplitude != 0;
    v.scalingAmplitude = bank.signalAmplitude;
    v.sweep = setup.sweep;
    return v;
}

std::optional<FieldProblem> ValidateOptions(const OptionsValues& v) {
    using Field = OptionsField;
    if (auto message = RecordingTimeProblem(v.recordingTime))
        return FieldProblem{F(Field::RecordingTime), -1, *message};
    if (Outside(v.scalingAmplitude, 0.1, 5))
        return NumberProblem(F(Field::ScalingAmplitude), 0.1, 5);
    for (int k = 0; k < kMaxChannels; ++k)
        if (Utf8Length(v.names[k]) > static_cast<std::size_t>(kChannelNameLength))
            return FieldProblem{F(Field::SignalName), k, LengthMessage(kChannelNameLength)};
    if (std::none_of(std::begin(v.channelEnabled), std::end(v.channelEnabled),
                     [](bool on) { return on; }))
        return FieldProblem{F(Field::Channels), -1, "Please select at least one channel"};
    auto checked = [&](int channel) {
        return channel >= 0 && channel < kMaxChannels && v.channelEnabled[channel];
    };
    if (!checked(v.xChannel))
        return FieldProblem{F(Field::XChannel), v.xChannel,
                            "Please choose X channel for XY plot from selected channels"};
    if (!checked(v.yChannel))
        return FieldProblem{F(Field::YChannel), v.yChannel,
                            "Please choose Y channel for XY plot from selected channels"};
    return std::nullopt;
}

void ApplyOptions(const OptionsValues& v, MeasurementSetup& setup, ExcitationBank& bank,
                  MeasurementState& state) {
    int mask = 0;
    int slot = 0;
    for (int k = 1; k <= kMaxChannels; ++k) {
        if (!v.channelEnabled[k - 1]) continue;
        mask |= 1 << MaskBitOfChannel(k);
        if (v.xChannel == k - 1) setup.xChannelIndex = slot;
        if (v.yChannel == k - 1) setup.yChannelIndex = slot;
        ++slot;
    }
    setup.channelMask = mask;
    setup.dataBits = v.dataBits != 0 ? 1 : 0;
    setup.recordingTime = v.recordingTime;
    setup.sampleRateIndex = std::clamp(v.rateIndex, 0, 2);
    CountChannels(mask, setup, state);
    setup.sweep = v.sweep;
    setup.sweep.enabled = v.sweep.enabled != 0 ? 1 : 0;
    bank.signalAmplitude = v.scalingAmplitude;
    bank.normaliseAmplitude = v.scaling ? 1 : 0;
    for (int k = 0; k < kMaxChannels; ++k) setup.channelNames[k] = v.names[k];
}

// ---------------------------------------------------------------- time window

TimeWindowValues TimeWindowFromRange(double xmin, double xmax) {
    auto ms = [](double v) { return std::floor(v * 1000 + 0.5) / 1000; };
    return {ms(xmin), ms(xmax)};
}

std::optional<FieldProblem> ValidateTimeWindow(const TimeWindowValues& v) {
    if (Outside(v.from, 0, kMaxTimeWindow))
        return NumberProblem(F(TimeWindowField::From), 0, kMaxTimeWindow);
    if (Outside(v.to, 0, kMaxTimeWindow))
        return NumberProblem(F(TimeWindowField::To), 0, kMaxTimeWindow);
    return std::nullopt;
}

void ApplyTimeWindow(const TimeWindowValues& v, double signalPeriod, double& xmin, double& xmax) {
    const double a = std::min(v.from, v.to);
    const double b = std::max(v.from, v.to);
    xmin = a;
    xmax = b - a >= signalPeriod ? b : a + signalPeriod;
}

// ---------------------------------------------------------------- display options

std::optional<FieldProblem> ValidateXYDisplay(const XYDisplayValues& v) {
    if (Outside(v.cycles, 1, 10)) return IntegerProblem(F(XYDisplayField::Cycles), 1, 10);
    if (Outside(v.plotStyle, 0, 2)) return IntegerProblem(F(XYDisplayField::PlotStyle), 0, 2);
    return std::nullopt;
}

std::optional<FieldProblem> ValidateZDisplay(const ZDisplayValues& v) {
    using Field = ZDisplayField;
    if (Outside(v.averagingTime, 0.1, 5)) return NumberProblem(F(Field::AveragingTime), 0.1, 5);
    const std::pair<Field, int> lists[] = {{Field::DisplayMode, v.displayMode},
                                           {Field::AveragePlotStyle, v.averagePlotStyle},
                                           {Field::InstantPlotStyle, v.instantPlotStyle}};
    for (const auto& [field, index] : lists)
        if (Outside(index, 0, 2)) return IntegerProblem(F(field), 0, 2);
    const std::pair<Field, double> limits[] = {{Field::InspirationMin, v.inspirationMin},
                                               {Field::InspirationMax, v.inspirationMax},
                                               {Field::ExpirationMin, v.expirationMin},
                                               {Field::ExpirationMax, v.expirationMax}};
    for (const auto& [field, value] : limits)
        if (auto message = BreathDurationLimitProblem(value))
            return FieldProblem{F(field), -1, *message};
    if (auto message = BreathDurationOrderProblem(v.inspirationMin, v.inspirationMax, true))
        return FieldProblem{F(Field::InspirationMin), -1, *message};
    if (auto message = BreathDurationOrderProblem(v.expirationMin, v.expirationMax, false))
        return FieldProblem{F(Field::ExpirationMin), -1, *message};
    if (Outside(v.flowScalingFactor, 1e-6, 1e7))
        return NumberProblem(F(Field::FlowScaling), 1e-6, 1e7);
    if (v.inspiratoryFlowSign != 1 && v.inspiratoryFlowSign != -1)
        return IntegerProblem(F(Field::FlowSign), -1, 1);
    if (auto message = FlowLimitationThresholdProblem(v.flowLimitationThreshold))
        return FieldProblem{F(Field::FlowLimitationThreshold), -1, *message};
    return std::nullopt;
}

}  // namespace pelmor
