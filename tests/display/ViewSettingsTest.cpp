#include <gtest/gtest.h>

#include "display/ViewSettings.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

TEST(ViewSettings, FactoryValuesRoundTripAndFlagsAsRead) {
    test::MemoryProfile profile;
    ViewState fresh;
    LoadViewSettings(profile, fresh);
    EXPECT_TRUE(fresh.showXY && fresh.showImpedance && fresh.showStoredImpedance);
    EXPECT_FALSE(fresh.showSpectrum);
    EXPECT_EQ(fresh.penColors, (std::array<Color, 2>{0, 0}));
    EXPECT_EQ(fresh.gridColors, (std::array<Color, 2>{0x808080, 0x808080}));
    EXPECT_EQ(fresh.zAveragePlotStyle, 2);
    EXPECT_EQ(fresh.xyPeriods, 1);

    profile.WriteInt("Options", "Display spectrum", 7);  // any non-zero value is on
    profile.WriteInt("Options", "XY periods", 40);       // not range-checked
    profile.WriteInt("Options", "Gridr color for printing", 0x123456);
    ViewState v;
    LoadViewSettings(profile, v);
    EXPECT_TRUE(v.showSpectrum);
    EXPECT_EQ(v.xyPeriods, 40);
    EXPECT_EQ(v.gridColors[kPrinting], 0x123456u);

    ToggleBlackBackground(v);
    test::MemoryProfile out;
    SaveViewSettings(out, v);
    EXPECT_EQ(out.GetInt("Options", "Display spectrum", -1), 1);
    EXPECT_EQ(out.GetInt("Options", "Background color", -1), 0);
    EXPECT_EQ(out.GetInt("Options", "Pen color", -1), 0xC0C0C0);
    EXPECT_EQ(out.GetInt("Options", "Background color for printing", -1), 0xFFFFFF);
}

TEST(ViewSettings, SavedScalingComesBackOnlyWhenWhole) {
    test::MemoryProfile profile;
    PlotSetup setup;
    SetFactoryRanges(setup);
    setup.timeStep = 2;
    SaveCurrentScaling(profile, setup);
    PlotSetup zoomed = setup;
    zoomed.windows[kXYWindow].xmin = -1;
    zoomed.timeStep = 5;
    ASSERT_TRUE(RestoreSavedScaling(profile, zoomed));
    EXPECT_EQ(zoomed.windows[kXYWindow].xmin, -5);
    EXPECT_EQ(zoomed.timeStep, 2);
    profile.WriteBinary("Options", "Plot setup", std::vector<uint8_t>(1127, 0));
    EXPECT_FALSE(RestoreSavedScaling(profile, zoomed));
    EXPECT_EQ(zoomed.timeStep, 2);
}

}  // namespace
}  // namespace pelmor
