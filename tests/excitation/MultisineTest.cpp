#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "excitation/CrestFactor.h"
#include "excitation/ExcitationDefinition.h"
#include "excitation/Multisine.h"
#include "numerics/Random.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

// Peak |value| over the 2048 output points of bank signal s.
double SignalPeak(const ExcitationBank& bank, int s) {
    ActiveExcitation active;
    CopySignalToActive(bank, s, active);
    double peak = 0;
    for (int t = 0; t < kOutputTablePoints; ++t)
        peak = std::max(peak, std::fabs(ExcitationValue(active, t, 0)));
    return peak;
}

struct Generator {
    ExcitationBank bank;
    int selected = 5;
    test::MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::FakeClock clock;
    int changes = 0;
    ExcitationContext ctx{bank, selected, profile, ui, clock, [this] { ++changes; }};
};

TEST(GenerateExcitations, TwoQuarterSecondSignalsShareFrequenciesDifferInPhaseAndPeakAtAmplitude) {
    SeedCrestFactorSearch(20261209);
    Generator g;
    ExcitationDefinition d;
    d.periodCode = 3;
    d.signalCount = 2;
    d.signalAmplitude = 1.7;
    GenerateExcitations(g.ctx, d);

    EXPECT_EQ(g.changes, 1);
    EXPECT_EQ(g.selected, 0);
    EXPECT_EQ(g.bank.period, 0.25);
    EXPECT_EQ(g.bank.signalCount, 2);
    EXPECT_EQ(g.bank.signalAmplitude, 1.7);
    for (int s = 0; s < 2; ++s) {
        ASSERT_EQ(g.bank.componentCount[s], 12);
        for (int i = 0; i < 12; ++i) EXPECT_EQ(g.bank.frequencyIndex[s][i], i + 1);
        EXPECT_NEAR(SignalPeak(g.bank, s), 1.7, 1e-9);
        // Flat amplitudes stay equal to one another after scaling.
        EXPECT_NEAR(g.bank.amplitude[s][11], g.bank.amplitude[s][0], 1e-12);
    }
    EXPECT_NE(std::memcmp(g.bank.phase[0], g.bank.phase[1], 12 * sizeof(double)), 0);
    EXPECT_EQ(g.ui.Statuses(),
              (std::vector<std::string>{"Processing : 0%", "Processing : 50%", "Ready."}));
}

TEST(GenerateExcitations, SingleComponentIsScaledAndNoComponentsLeaveSilence) {
    SeedCrestFactorSearch(7);
    Generator g;
    ExcitationDefinition d;
    std::fill(std::begin(d.componentEnabled), std::end(d.componentEnabled), 0);
    d.componentEnabled[4] = 1;
    d.amplitudeShape = 1;
    d.ComputeComponentAmplitudes();
    d.signalAmplitude = 0.3;
    GenerateExcitations(g.ctx, d);
    ASSERT_EQ(g.bank.componentCount[0], 1);
    EXPECT_EQ(g.bank.frequencyIndex[0][0], 5);
    EXPECT_NEAR(SignalPeak(g.bank, 0), 0.3, 1e-12);

    d.componentEnabled[4] = 0;
    d.signalCount = 3;
    GenerateExcitations(g.ctx, d);
    EXPECT_EQ(g.bank.signalCount, 3);
    for (int s = 0; s < 3; ++s) EXPECT_EQ(g.bank.componentCount[s], 0);
    ActiveExcitation active;
    CopySignalToActive(g.bank, 0, active);
    for (int t = 0; t < kOutputTablePoints; t += 97) EXPECT_EQ(ExcitationValue(active, t, 0), 0.0);
}

TEST(OptimiseCrestFactor, OutOfRangeSignalDoesNothing) {
    SeedCrestFactorSearch(3);
    ExcitationBank bank;
    bank.signalCount = 2;
    bank.componentCount[0] = bank.componentCount[1] = 2;
    bank.frequencyIndex[1][0] = 1;
    bank.frequencyIndex[1][1] = 3;
    bank.amplitude[1][0] = bank.amplitude[1][1] = 1;
    const auto before = ExcitationBankBytes(bank);
    test::FakeClock clock;
    test::ScriptedUserInterface ui;
    for (int s : {-1, 2, 16, 1000}) EXPECT_EQ(OptimiseCrestFactor(bank, s, clock, ui), 1) << s;
    EXPECT_EQ(ExcitationBankBytes(bank), before);
    EXPECT_EQ(OptimiseCrestFactor(bank, 1, clock, ui), 0);
    EXPECT_NE(ExcitationBankBytes(bank), before);
}

TEST(OptimiseCrestFactor, SignalThatNeverGoesBelowOneHundredKeepsItsPhases) {
    SeedCrestFactorSearch(3);
    ExcitationBank bank;
    bank.componentCount[0] = 1;
    bank.frequencyIndex[0][0] = 3;
    bank.amplitude[0][0] = 60;  // every trial's peak-to-peak is about 120
    bank.phase[0][0] = 0.25;
    test::FakeClock clock;
    test::ScriptedUserInterface ui;
    EXPECT_EQ(OptimiseCrestFactor(bank, 0, clock, ui), 0);
    EXPECT_EQ(bank.phase[0][0], 0.25);
}

// The transform-based evaluation must pick the very phases the formula itself would.
TEST(SearchPhases, FastPathChoosesTheSamePhasesAsTheFormula) {
    struct Case {
        std::vector<int32_t> index;
        std::vector<double> amplitude;
    };
    const Case cases[] = {
        {{1, 2, 3, 5, 8, 13}, {1, 0.5, 0.3333, 0.25, 0.2, 0.1666}},
        {{4, 37, 100, 300, 511}, {0.2, 1, 0.7, 0.4, 0.05}},
    };
    for (const Case& c : cases) {
        const int n = static_cast<int>(c.index.size());
        std::vector<double> fastPhases(n, -1), directPhases(n, -1);
        KissRandom a, b;
        a.Seed(99);
        b.Seed(99);
        test::FakeClock clock;
        auto fast = SearchPhases(n, c.index.data(), c.amplitude.data(), fastPhases.data(), a, clock,
                                 PeakToPeakEvaluator::Method::Fast, 3);
        auto direct = SearchPhases(n, c.index.data(), c.amplitude.data(), directPhases.data(), b,
                                   clock, PeakToPeakEvaluator::Method::Direct, 3);
        EXPECT_EQ(fast.trials, 3000);
        EXPECT_GT(fast.improvements, 3);
        EXPECT_EQ(fast.improvements, direct.improvements);
        EXPECT_EQ(fast.lastImprovement, direct.lastImprovement);
        EXPECT_NEAR(fast.bestPeakToPeak, direct.bestPeakToPeak, 1e-12);
        EXPECT_EQ(fastPhases, directPhases);
    }
}

TEST(SearchPhases, RunsElevenThousandTrialsOrStopsAtTheTimeLimit) {
    const int32_t index[] = {1, 2};
    const double amplitude[] = {1, 1};
    double phases[2] = {};
    KissRandom random;
    random.Seed(5);
    test::FakeClock still;
    EXPECT_EQ(SearchPhases(2, index, amplitude, phases, random, still).trials, 11000);

    // A clock that moves 6 s at every reading is past the 10 s limit after the first pass.
    struct JumpingClock : test::FakeClock {
        int64_t Milliseconds() override { return milliseconds += 6000; }
    } jumping;
    EXPECT_EQ(SearchPhases(2, index, amplitude, phases, random, jumping).trials, 1000);
}

TEST(ExcitationValue, TrackingModeIsThePureCosineOfTheChosenComponent) {
    ActiveExcitation active;
    active.period = 0.5;
    active.componentCount = 3;
    const int32_t index[] = {2, 3, 5};
    const double amplitude[] = {0.5, 0.8, 0.3};
    const double phase[] = {0.1, 1.2, -0.7};
    for (int i = 0; i < 3; ++i) {
        active.frequencyIndex[i] = index[i];
        active.amplitude[i] = amplitude[i];
        active.phase[i] = phase[i];
    }
    active.selectedFrequencyIndex = 2;
    const double w = 4.0 * 2 * std::numbers::pi / 2048;  // 2/T periods in the table
    for (int t = 0; t < kOutputTablePoints; t += 41) {
        EXPECT_NEAR(ExcitationValue(active, t, 1), 0.3 * std::cos(5 * w * t - 0.7), 1e-12);
        double sum = 0;
        for (int i = 0; i < 3; ++i) sum += amplitude[i] * std::cos(index[i] * w * t + phase[i]);
        EXPECT_NEAR(ExcitationValue(active, t, 0), sum, 1e-12);
    }
    // An index that names no component (from a broken data file) plays silence.
    for (int k : {3, 256, -1}) {
        active.selectedFrequencyIndex = k;
        EXPECT_EQ(ExcitationValue(active, 10, 1), 0.0);
    }
}

TEST(BuildExcitationTable, CodesPerVoltNormalisationAndConverterEnds) {
    ExcitationBank bank;
    ActiveExcitation active;
    active.period = 2.0;
    active.componentCount = 1;
    active.frequencyIndex[0] = 1;
    active.amplitude[0] = 2.0;
    std::array<uint16_t, kOutputTablePoints> table{};

    BuildExcitationTable(bank, active, 0, table);
    EXPECT_EQ(table[0], 32768 + 13106);  // 2 V
    EXPECT_EQ(table[1024], 32768 - 13106);
    EXPECT_EQ(table[512], 32768);  // cos(pi/2) is a hair above 0

    bank.normaliseAmplitude = 1;
    bank.signalAmplitude = 1.0;
    BuildExcitationTable(bank, active, 0, table);
    EXPECT_EQ(table[0], 32768 + 6553);
    EXPECT_EQ(table[1024], 32768 - 6553);

    active.componentCount = 0;
    BuildExcitationTable(bank, active, 0, table);
    EXPECT_TRUE(std::all_of(table.begin(), table.end(), [](uint16_t c) { return c == 32768; }));

    // 8 V without normalisation is beyond the converter: held at its ends, not wrapped.
    bank.normaliseAmplitude = 0;
    active.componentCount = 1;
    active.amplitude[0] = 8.0;
    BuildExcitationTable(bank, active, 0, table);
    EXPECT_EQ(table[0], 65535);
    EXPECT_EQ(table[1024], 0);
}

TEST(ExcitationRecords, DefaultsAndByteImages) {
    ExcitationBank bank;
    ActiveExcitation active;
    bank.signalCount = 4;
    bank.componentCount[0] = 7;
    bank.amplitude[0][0] = 9;
    bank.period = 0.25;
    active.selectedFrequencyIndex = 3;
    active.componentCount = 0;
    ResetExcitationBank(bank, active);
    EXPECT_EQ(bank.signalCount, 1);
    EXPECT_EQ(bank.componentCount[0], 1);
    EXPECT_EQ(bank.frequencyIndex[0][0], 1);
    EXPECT_EQ(bank.amplitude[0][0], 1.0);
    EXPECT_EQ(bank.period, 1.0);
    EXPECT_EQ(bank.definitionPoints, 64);
    EXPECT_EQ(active.selectedFrequencyIndex, 0);
    EXPECT_EQ(active.componentCount, 1);
    EXPECT_EQ(active.amplitude[0], 1.0);
    for (int t : {0, 256, 512})
        EXPECT_NEAR(ExcitationValue(active, t, 0), std::cos(t * std::numbers::pi / 512), 1e-12);

    auto image = ExcitationBankBytes(bank);
    ASSERT_EQ(image.size(), 82024u);
    EXPECT_EQ(image[82008], 1);  // signalCount, little-endian
    ExcitationBank other;
    other.signalCount = 9;
    image.pop_back();
    EXPECT_FALSE(ReadExcitationBank(image, other));
    EXPECT_EQ(other.signalCount, 9);
    image.push_back(0x3f);
    EXPECT_TRUE(ReadExcitationBank(image, other));
    EXPECT_EQ(other.signalCount, 1);
    EXPECT_EQ(ActiveExcitationBytes(active).size(), 5144u);
}

TEST(ExcitationRecords, StoredBankIsUsedOnlyWithItsExactSize) {
    test::MemoryProfile profile;
    ExcitationBank bank;
    bank.signalCount = 7;
    bank.period = 0.25;
    StoreExcitationBank(profile, bank);
    ExcitationBank loaded;
    RestoreExcitationBank(profile, loaded);
    EXPECT_EQ(ExcitationBankBytes(loaded), ExcitationBankBytes(bank));

    profile.binaries[{"Options", "Excitation"}].resize(82023);
    RestoreExcitationBank(profile, loaded);
    EXPECT_EQ(loaded.signalCount, 1);
    EXPECT_EQ(loaded.period, 1.0);
    EXPECT_EQ(loaded.componentCount[0], 1);
}

}  // namespace
}  // namespace pelmor
