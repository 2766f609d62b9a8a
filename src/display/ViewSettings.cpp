#include "display/ViewSettings.h"

namespace pelmor {

namespace {

constexpr const char* kSection = "Options";
// Settings the view gained later have a section of their own.
constexpr const char* kViewSection = "View";
constexpr const char* kFitKey = "Fit Scales to New Data";

struct IntValue {
    const char* key;
    int32_t ViewState::*member;
};
constexpr IntValue kInts[] = {
    {"XY periods", &ViewState::xyPeriods},
    {"XY plot style", &ViewState::xyPlotStyle},
    {"Z average plot style", &ViewState::zAveragePlotStyle},
    {"Z instantaneous plot style", &ViewState::zInstantPlotStyle},
};

struct FlagValue {
    const char* key;
    bool ViewState::*member;
};
constexpr FlagValue kFlags[] = {
    {"Display XY plot", &ViewState::showXY},
    {"Display impedance", &ViewState::showImpedance},
    {"Display stored impedance", &ViewState::showStoredImpedance},
    {"Display spectrum", &ViewState::showSpectrum},
};

struct ColorValue {
    const char* key;
    std::array<Color, 2> ViewState::*pair;
    int index;
};
constexpr ColorValue kColors[] = {
    {"Pen color", &ViewState::penColors, kScreen},
    {"Pen color for printing", &ViewState::penColors, kPrinting},
    {"Background color", &ViewState::backgroundColors, kScreen},
    {"Background color for printing", &ViewState::backgroundColors, kPrinting},
    {"Grid color", &ViewState::gridColors, kScreen},
    {"Gridr color for printing", &ViewState::gridColors, kPrinting},
};

}  // namespace

void LoadViewSettings(Profile& profile, ViewState& view) {
    for (const IntValue& v : kInts)
        view.*v.member = profile.GetInt(kSection, v.key, view.*v.member);
    for (const FlagValue& v : kFlags)
        view.*v.member = profile.GetInt(kSection, v.key, view.*v.member ? 1 : 0) != 0;
    for (const ColorValue& v : kColors) {
        Color& c = (view.*v.pair)[v.index];
        c = static_cast<Color>(profile.GetInt(kSection, v.key, static_cast<int>(c)));
    }
    view.fitScalesToNewData =
        profile.GetInt(kViewSection, kFitKey, view.fitScalesToNewData ? 1 : 0) != 0;
}

void SaveViewSettings(Profile& profile, const ViewState& view) {
    for (const IntValue& v : kInts) profile.WriteInt(kSection, v.key, view.*v.member);
    for (const FlagValue& v : kFlags) profile.WriteInt(kSection, v.key, view.*v.member ? 1 : 0);
    for (const ColorValue& v : kColors)
        profile.WriteInt(kSection, v.key, static_cast<int>((view.*v.pair)[v.index]));
    profile.WriteInt(kViewSection, kFitKey, view.fitScalesToNewData ? 1 : 0);
}

void SaveCurrentScaling(Profile& profile, const PlotSetup& setup) {
    profile.WriteBinary(kSection, "Plot setup", PlotSetupBytes(setup));
}

bool RestoreSavedScaling(Profile& profile, PlotSetup& setup) {
    const auto bytes = profile.GetBinary(kSection, "Plot setup");
    return bytes && PlotSetupFromBytes(*bytes, setup);
}

}  // namespace pelmor
