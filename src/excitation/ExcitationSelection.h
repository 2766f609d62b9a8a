#pragma once

#include "excitation/ExcitationRecords.h"

namespace pelmor {

// Enabling rules of the excitation commands.
bool CanSelectNextExcitation(const ExcitationBank& bank, int selectedSignal,
                             bool measurementRunning);
bool CanSelectPreviousExcitation(int selectedSignal, bool measurementRunning);

// Step the bank signal the next measurement uses; nothing happens at either end. The document
// passes its selectedSignal and then refreshes its status text. True when it changed.
bool SelectNextExcitation(const ExcitationBank& bank, int& selectedSignal);
bool SelectPreviousExcitation(int& selectedSignal);

// What the single-frequency dialog of a tracking start shows: the active excitation's
// frequencies in hertz (index / the bank's period), in component order, and the preselected
// item.
struct ExcitationFrequencyChoice {
    int selection = 0;
    int frequencyCount = 0;
    double frequencies[kMaxComponents] = {};
};

// Before a tracking start (after the active excitation was filled from the bank): brings the
// active excitation's selectedFrequencyIndex below its component count (and not below 0) and
// returns the dialog's list with that index preselected. After OK the document stores the
// chosen `selection` back into active.selectedFrequencyIndex.
ExcitationFrequencyChoice PrepareFrequencyChoice(const ExcitationBank& bank,
                                                 ActiveExcitation& active);

}  // namespace pelmor
