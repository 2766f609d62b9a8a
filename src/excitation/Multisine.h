#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "excitation/ExcitationContext.h"
#include "excitation/ExcitationRecords.h"

namespace pelmor {

class Clock;
class UserInterface;
struct ExcitationDefinition;

constexpr int kOutputTablePoints = 2048;
constexpr double kCodesPerVolt = 6553.0;

// The default bank (one 1 Hz cosine of 1 V, period 1 s, 64 definition points) without
// touching the active excitation.
void ResetExcitationBankOnly(ExcitationBank& bank);
// The default bank and the default active excitation (the same 1 Hz cosine). The document
// calls it before reading the stored bank and when no valid stored bank exists.
void ResetExcitationBank(ExcitationBank& bank, ActiveExcitation& active);

// Replaces `bank` by the profile value "Excitation" of section "Options" when it holds exactly
// a bank's bytes, else by the default bank. The active excitation is left alone.
void RestoreExcitationBank(Profile& profile, ExcitationBank& bank);
// Writes the whole bank to that profile value.
void StoreExcitationBank(Profile& profile, const ExcitationBank& bank);

// Makes the crest-factor search repeatable: seeds the process-wide generator with `seed`
// (not 0) and stops the search from seeding itself from the clock. For tests and the CLI.
void SeedCrestFactorSearch(uint32_t seed);

// Random phase search on signal `signal` of the bank (amplitudes and frequencies unchanged).
// The first call in the process seeds the generator from the clock unless a seed was fixed.
// Returns 1 and does nothing when signal is outside 0 ... signalCount-1, else 0. Shows the wait
// cursor through `ui` while it runs.
double OptimiseCrestFactor(ExcitationBank& bank, int signal, Clock& clock, UserInterface& ui);

// The command "Generate excitation signals" after the dialog ended with OK (the document runs
// the dialog, calls this, then saves the definition whether OK or Cancel). Rebuilds the first
// signalCount signals from `definition`, searches each one's phases, scales each to the
// definition's amplitude, and reports "Processing : %d%%" and "Ready." in status pane 0.
// Uses ctx.bank, ctx.selectedSignal (0 afterwards), ctx.ui, ctx.clock, ctx.bankChanging.
void GenerateExcitations(ExcitationContext& ctx, const ExcitationDefinition& definition);
// The same with the components given: every generated signal gets indexes[i] with
// amplitudes[i] (at most 256), then phases are searched and amplitudes scaled as above.
// GenerateExcitations hands it the enabled twelve or the definition's frequency list (a
// refused list is shown through ctx.ui and leaves the bank alone).
void GenerateExcitationSignals(ExcitationContext& ctx, const ExcitationDefinition& definition,
                               const std::vector<int>& indexes,
                               const std::vector<double>& amplitudes);
// The progress text of the generation, and the longest it gets (its pane is made that wide).
inline constexpr char kGenerationProgressFormat[] = "Processing : %d%%";
inline constexpr char kWidestGenerationProgress[] = "Processing : 100%";

// Value at point t (0 ... 2047) of the 2 s output table of the active excitation: the sum of
// amplitude_k * cos(frequencyIndex_k * (2/T) * (2 pi/2048) * t + phase_k) over the components,
// or only the term of selectedFrequencyIndex when measurementMode is 1 (tracking; 0 when that
// index names no component).
double ExcitationValue(const ActiveExcitation& active, int t, int measurementMode);

// The 16-bit generator table the measurement start loads into the device: 6553 codes per
// volt, or, when the bank's normaliseAmplitude is set and the table's peak |value| exceeds
// 0.001, signalAmplitude * 6553 / peak; code = value * scale + 32768 truncated toward zero
// and held within 0 ... 65535.
void BuildExcitationTable(const ExcitationBank& bank, const ActiveExcitation& active,
                          int measurementMode, std::array<uint16_t, kOutputTablePoints>& table);

// What the measurement start copies from the bank: signal `signal` (clamped into the bank)
// with the bank's period and definition points. selectedFrequencyIndex keeps its value.
void CopySignalToActive(const ExcitationBank& bank, int signal, ActiveExcitation& active);

}  // namespace pelmor
