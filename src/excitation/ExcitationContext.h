#pragma once

#include <functional>

#include "excitation/ExcitationRecords.h"

namespace pelmor {

class Clock;
class Profile;
class UserInterface;

// The state the excitation commands work on. The document owns all of it and builds one of
// these per command.
struct ExcitationContext {
    ExcitationBank& bank;
    int& selectedSignal;  // the bank signal the next measurement uses
    Profile& profile;     // the program's settings ("Options" / "Excitation")
    UserInterface& ui;    // messages, questions, status pane 0, wait cursor
    Clock& clock;         // bounds the crest-factor search; seeds it the first time
    // Called once a command is about to change the bank; the document marks itself modified
    // there when a setup file is open. May be empty.
    std::function<void()> bankChanging;
};

}  // namespace pelmor
