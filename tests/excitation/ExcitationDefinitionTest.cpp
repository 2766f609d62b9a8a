#include <gtest/gtest.h>

#include "core/NumberFormat.h"
#include "excitation/ExcitationDefinition.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

const char kSection[] = "Excitation definition";

std::pair<std::string, std::string> Key(const char* key) { return {kSection, key}; }

TEST(ExcitationDefinition, FreshProfileGivesHalfSecondFlatHarmonics) {
    test::MemoryProfile profile;
    ExcitationDefinition d = LoadExcitationDefinition(profile);
    EXPECT_EQ(d.periodCode, 2);
    EXPECT_EQ(std::string(kPeriodNames[d.periodCode]), "1/2 s");
    EXPECT_EQ(d.amplitudeShape, 0);
    EXPECT_EQ(d.signalAmplitude, 1.0);
    EXPECT_EQ(d.signalCount, 1);
    EXPECT_EQ(d.frequencyDistribution, 0);
    EXPECT_DOUBLE_EQ(d.Period(), 0.5);
    for (int j = 0; j < kDefinitionComponents; ++j) {
        EXPECT_EQ(d.componentEnabled[j], 1);
        EXPECT_EQ(d.componentIndex[j], j + 1);
        EXPECT_EQ(d.componentAmplitude[j], 1.0);
        EXPECT_EQ(d.ComponentLabel(j), Format("%d Hz", 2 * (j + 1)));
    }
    EXPECT_FALSE(CheckExcitationDefinition(d));
}

TEST(ExcitationDefinition, AmplitudeLawsCutToFourDecimalsAndPrimesStartAtTwo) {
    test::MemoryProfile profile;
    ExcitationDefinition d = LoadExcitationDefinition(profile);
    d.amplitudeShape = 1;
    d.ComputeComponentAmplitudes();
    d.frequencyDistribution = 1;
    d.ComputeComponentIndexes();
    const double inverse[] = {1, 0.5, 0.3333, 0.25, 0.2, 0.1666, 0.1428, 0.125};
    for (int j = 0; j < 8; ++j) EXPECT_DOUBLE_EQ(d.componentAmplitude[j], inverse[j]) << j;
    EXPECT_EQ(d.componentIndex[0], 2);
    EXPECT_EQ(d.componentIndex[11], 37);
    EXPECT_EQ(d.ComponentLabel(0), "4 Hz");  // 2 at 1/2 s
    EXPECT_EQ(d.ComponentLabel(2), "10 Hz");
    d.periodCode = 1;
    EXPECT_EQ(d.ComponentLabel(1), "3 Hz");
    d.periodCode = 0;
    EXPECT_EQ(d.ComponentLabel(0), "1 Hz");
    EXPECT_EQ(d.ComponentLabel(1), "1.5 Hz");

    d.amplitudeShape = 2;
    d.ComputeComponentAmplitudes();
    EXPECT_DOUBLE_EQ(d.componentAmplitude[1], 0.7071);
    EXPECT_DOUBLE_EQ(d.componentAmplitude[2], 0.5773);
    EXPECT_DOUBLE_EQ(d.componentAmplitude[3], 0.5);
}

TEST(ExcitationDefinition, WriteBackAndReadAgain) {
    test::MemoryProfile profile;
    ExcitationDefinition d = LoadExcitationDefinition(profile);
    d.periodCode = 3;
    d.amplitudeShape = 2;
    d.signalAmplitude = 2.5;
    d.signalCount = 4;
    d.frequencyDistribution = 1;
    d.componentEnabled[5] = 0;
    d.useFrequencyList = 1;
    d.frequencyList = "4-16/4, 24";
    SaveExcitationDefinition(profile, d);
    EXPECT_EQ(profile.ints[Key("Use frequency list")], 1);
    EXPECT_EQ(profile.strings[Key("Frequency list")], "4-16/4, 24");
    EXPECT_EQ(profile.strings[Key("SignalAmplitude")], "2.5");
    EXPECT_EQ(profile.ints[Key("Frequency5")], 0);
    EXPECT_EQ(profile.ints[Key("Frequency11")], 1);

    ExcitationDefinition back = LoadExcitationDefinition(profile);
    EXPECT_EQ(back.periodCode, 3);
    EXPECT_EQ(back.amplitudeShape, 2);
    EXPECT_EQ(back.signalAmplitude, 2.5);
    EXPECT_EQ(back.signalCount, 4);
    EXPECT_EQ(back.frequencyDistribution, 1);
    EXPECT_EQ(back.componentEnabled[5], 0);
    EXPECT_EQ(back.useFrequencyList, 1);
    EXPECT_EQ(back.frequencyList, "4-16/4, 24");
    EXPECT_EQ(back.componentIndex[0], 2);
    EXPECT_DOUBLE_EQ(back.componentAmplitude[2], 0.5773);
}

TEST(ExcitationDefinition, StoredValuesOutsideTheListsAndBadAmplitudeText) {
    test::MemoryProfile profile;
    profile.ints[Key("Signal Period Code")] = 9;
    profile.ints[Key("Frequency distribution")] = -3;
    profile.strings[Key("SignalAmplitude")] = "volts";
    ExcitationDefinition d = LoadExcitationDefinition(profile);
    EXPECT_EQ(d.periodCode, 4);
    EXPECT_EQ(d.frequencyDistribution, 0);
    EXPECT_EQ(d.signalAmplitude, 0.0);  // refused on OK until corrected
    ASSERT_TRUE(CheckExcitationDefinition(d));
    EXPECT_EQ(CheckExcitationDefinition(d)->field, DefinitionRangeError::Field::SignalAmplitude);
    profile.strings[Key("SignalAmplitude")] = "1.5 V";
    EXPECT_EQ(LoadExcitationDefinition(profile).signalAmplitude, 1.5);
}

TEST(ExcitationDefinition, RangesAreCheckedInTransferOrder) {
    using Field = DefinitionRangeError::Field;
    ExcitationDefinition d;
    d.signalCount = 17;
    ASSERT_TRUE(CheckExcitationDefinition(d));
    EXPECT_EQ(CheckExcitationDefinition(d)->field, Field::SignalCount);
    d.componentAmplitude[7] = 0.0005;  // amplitudes are transferred before the count
    EXPECT_EQ(CheckExcitationDefinition(d)->field, Field::ComponentAmplitude);
    EXPECT_EQ(CheckExcitationDefinition(d)->component, 7);
    d.signalAmplitude = 6;
    EXPECT_EQ(CheckExcitationDefinition(d)->field, Field::SignalAmplitude);
    EXPECT_EQ(CheckExcitationDefinition(d)->maximum, 5);

    ExcitationDefinition edges;
    edges.signalAmplitude = 0.1;
    edges.signalCount = 16;
    edges.componentAmplitude[0] = 1000;
    EXPECT_FALSE(CheckExcitationDefinition(edges));
}

}  // namespace
}  // namespace pelmor
