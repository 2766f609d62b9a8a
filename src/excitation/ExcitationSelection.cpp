#include "excitation/ExcitationSelection.h"

namespace pelmor {

bool CanSelectNextExcitation(const ExcitationBank& bank, int selectedSignal,
                             bool measurementRunning) {
    return !measurementRunning && selectedSignal < SignalCountOf(bank) - 1;
}

bool CanSelectPreviousExcitation(int selectedSignal, bool measurementRunning) {
    return !measurementRunning && selectedSignal > 0;
}

bool SelectNextExcitation(const ExcitationBank& bank, int& selectedSignal) {
    if (selectedSignal >= SignalCountOf(bank) - 1) return false;
    ++selectedSignal;
    return true;
}

bool SelectPreviousExcitation(int& selectedSignal) {
    if (selectedSignal <= 0) return false;
    --selectedSignal;
    return true;
}

ExcitationFrequencyChoice PrepareFrequencyChoice(const ExcitationBank& bank,
                                                 ActiveExcitation& active) {
    const int n = ComponentCountOf(active);
    if (active.selectedFrequencyIndex >= n) active.selectedFrequencyIndex = n - 1;
    if (active.selectedFrequencyIndex < 0) active.selectedFrequencyIndex = 0;
    ExcitationFrequencyChoice choice;
    choice.frequencyCount = n;
    for (int i = 0; i < n; ++i) choice.frequencies[i] = active.frequencyIndex[i] / bank.period;
    choice.selection = active.selectedFrequencyIndex;
    return choice;
}

}  // namespace pelmor
