#include "excitation/Multisine.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "core/NumberFormat.h"
#include "excitation/CrestFactor.h"
#include "excitation/ExcitationDefinition.h"
#include "excitation/FrequencyList.h"
#include "numerics/Random.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {

constexpr double kTableStep = 0.0030679615757712823;  // 2 pi / 2048

// Set once the process-wide generator has been seeded for the search.
std::atomic<bool> crestSeeded{false};

// Peak |v| over the 2048 table points of a sum of cosines with period T, the largest and
// smallest value both starting at 0.
double TablePeak(int count, const int32_t* frequencyIndex, const double* amplitude,
                 const double* phase, double period) {
    const double w = (2.0 / period) * kTableStep;
    double largest = 0, smallest = 0;
    for (int t = 0; t < kOutputTablePoints; ++t) {
        double v = 0;
        for (int i = 0; i < count; ++i)
            v += amplitude[i] * std::cos(frequencyIndex[i] * w * t + phase[i]);
        largest = std::max(largest, v);
        smallest = std::min(smallest, v);
    }
    return std::max(largest, -smallest);
}

}  // namespace

void ResetExcitationBankOnly(ExcitationBank& bank) {
    // Whole records are cleared so that nothing of an earlier bank lingers in the entries
    // beyond the counts (they travel along in the profile and in files).
    bank = ExcitationBank{};
    bank.definitionPoints = 64;
    bank.period = 1.0;
    bank.alwaysZero = 0;
    bank.signalCount = 1;
    bank.componentCount[0] = 1;
    bank.frequencyIndex[0][0] = 1;
    bank.amplitude[0][0] = 1.0;
    bank.phase[0][0] = 0.0;
    bank.normaliseAmplitude = 0;
    bank.signalAmplitude = 1.0;
}

void ResetExcitationBank(ExcitationBank& bank, ActiveExcitation& active) {
    ResetExcitationBankOnly(bank);
    active = ActiveExcitation{};
    active.definitionPoints = 64;
    active.selectedFrequencyIndex = 0;
    active.period = 1.0;
    active.componentCount = 1;
    active.frequencyIndex[0] = 1;
    active.amplitude[0] = 1.0;
    active.phase[0] = 0.0;
}

void RestoreExcitationBank(Profile& profile, ExcitationBank& bank) {
    auto stored = profile.GetBinary("Options", "Excitation");
    if (!stored || !ReadExcitationBank(*stored, bank)) ResetExcitationBankOnly(bank);
}

void StoreExcitationBank(Profile& profile, const ExcitationBank& bank) {
    profile.WriteBinary("Options", "Excitation", ExcitationBankBytes(bank));
}

void SeedCrestFactorSearch(uint32_t seed) {
    SeedRandom(seed == 0 ? 1u : seed);
    crestSeeded = true;
}

double OptimiseCrestFactor(ExcitationBank& bank, int signal, Clock& clock, UserInterface& ui) {
    if (!crestSeeded.exchange(true)) SeedRandom(0, &clock);
    if (signal < 0 || signal >= SignalCountOf(bank)) return 1;
    ui.SetBusy(true);
    SearchPhases(ComponentCountOf(bank, signal), bank.frequencyIndex[signal],
                 bank.amplitude[signal], bank.phase[signal], ProcessRandom(), clock);
    ui.SetBusy(false);
    return 0;
}

void GenerateExcitations(ExcitationContext& ctx, const ExcitationDefinition& definition) {
    std::vector<int> indexes;
    std::vector<double> amplitudes;
    if (definition.useFrequencyList) {
        const FrequencyList list = DefinitionFrequencyList(definition);
        if (!list.Ok()) {  // the dialog and the command line refuse such a list first
            ctx.ui.ShowMessage(list.error);
            return;
        }
        indexes = list.indexes;
        amplitudes = FrequencyListAmplitudes(list.indexes, definition.amplitudeShape);
    } else {
        for (int j = 0; j < kDefinitionComponents; ++j) {
            if (!definition.componentEnabled[j]) continue;
            indexes.push_back(definition.componentIndex[j]);
            amplitudes.push_back(definition.componentAmplitude[j]);
        }
    }
    GenerateExcitationSignals(ctx, definition, indexes, amplitudes);
}

void GenerateExcitationSignals(ExcitationContext& ctx, const ExcitationDefinition& definition,
                               const std::vector<int>& indexes,
                               const std::vector<double>& amplitudes) {
    ExcitationBank& bank = ctx.bank;
    if (ctx.bankChanging) ctx.bankChanging();
    const int signals = std::clamp(definition.signalCount, 1, kMaxSignals);
    bank.period = definition.Period();
    bank.signalCount = signals;
    bank.signalAmplitude = definition.signalAmplitude;
    ctx.selectedSignal = 0;
    const int count = std::min<int>(
        {static_cast<int>(indexes.size()), static_cast<int>(amplitudes.size()), kMaxComponents});
    for (int s = 0; s < signals; ++s) {
        bank.componentCount[s] = count;
        for (int i = 0; i < count; ++i) {
            bank.frequencyIndex[s][i] = indexes[i];
            bank.amplitude[s][i] = amplitudes[i];
            bank.phase[s][i] = 0.0;
        }
    }
    ctx.ui.SetBusy(true);  // for the whole search, not only each signal's
    for (int s = 0; s < signals; ++s) {
        ctx.ui.ShowStatus(Format(kGenerationProgressFormat, 100 * s / signals));
        ctx.selectedSignal = s;
        OptimiseCrestFactor(bank, s, ctx.clock, ctx.ui);
        const int n = bank.componentCount[s];
        const double peak =
            TablePeak(n, bank.frequencyIndex[s], bank.amplitude[s], bank.phase[s], bank.period);
        if (peak > 0.001 && n > 0) {
            const double factor = bank.signalAmplitude / peak;
            for (int i = 0; i < n; ++i) bank.amplitude[s][i] *= factor;
        }
    }
    ctx.selectedSignal = 0;
    ctx.ui.SetBusy(false);
    ctx.ui.ShowStatus("Ready.");
}

double ExcitationValue(const ActiveExcitation& active, int t, int measurementMode) {
    const int n = ComponentCountOf(active);
    const double w = (2.0 / active.period) * kTableStep;
    auto term = [&](int k) {
        return active.amplitude[k] * std::cos(active.frequencyIndex[k] * w * t + active.phase[k]);
    };
    if (measurementMode == 1) {
        const int k = active.selectedFrequencyIndex;
        return k >= 0 && k < n ? term(k) : 0.0;
    }
    double v = 0;
    for (int k = 0; k < n; ++k) v += term(k);
    return v;
}

void BuildExcitationTable(const ExcitationBank& bank, const ActiveExcitation& active,
                          int measurementMode, std::array<uint16_t, kOutputTablePoints>& table) {
    std::array<double, kOutputTablePoints> values;
    double largest = 0, smallest = 0;
    for (int t = 0; t < kOutputTablePoints; ++t) {
        values[t] = ExcitationValue(active, t, measurementMode);
        largest = std::max(largest, values[t]);
        smallest = std::min(smallest, values[t]);
    }
    double scale = kCodesPerVolt;
    if (bank.normaliseAmplitude) {
        const double peak = std::max(largest, -smallest);
        if (peak > 0.001) scale = bank.signalAmplitude * kCodesPerVolt / peak;
    }
    for (int t = 0; t < kOutputTablePoints; ++t) {
        const double code = values[t] * scale + 32768.0;
        // A value beyond the converter's range is held at its end instead of wrapping round
        // to the other end; a NaN (a broken record) plays as 0 V.
        if (std::isnan(code))
            table[t] = 32768;
        else
            table[t] = static_cast<uint16_t>(std::clamp(code, 0.0, 65535.0));
    }
}

void CopySignalToActive(const ExcitationBank& bank, int signal, ActiveExcitation& active) {
    signal = std::clamp(signal, 0, kMaxSignals - 1);
    active.definitionPoints = bank.definitionPoints;
    active.period = bank.period;
    active.componentCount = bank.componentCount[signal];
    std::memcpy(active.frequencyIndex, bank.frequencyIndex[signal], sizeof active.frequencyIndex);
    std::memcpy(active.amplitude, bank.amplitude[signal], sizeof active.amplitude);
    std::memcpy(active.phase, bank.phase[signal], sizeof active.phase);
}

}  // namespace pelmor
