#pragma once

// The view's values in the profile (section "Options"): window flags, plot styles, colours,
// and the saved plot scaling; "Fit Scales to New Data" in section "View".

#include "display/ViewState.h"
#include "platform/Profile.h"

namespace pelmor {

// Reads the view's values; a missing value keeps the member's factory value. Flags are on for
// any non-zero value; other values are used as read.
void LoadViewSettings(Profile& profile, ViewState& view);
// Writes every value (flags as 0 or 1).
void SaveViewSettings(Profile& profile, const ViewState& view);

// "Save current scaling": the 1,128-byte image of the window records and timeStep.
void SaveCurrentScaling(Profile& profile, const PlotSetup& setup);
// "To saved values": false (setup unchanged) unless the saved value is exactly 1,128 bytes.
bool RestoreSavedScaling(Profile& profile, PlotSetup& setup);

}  // namespace pelmor
