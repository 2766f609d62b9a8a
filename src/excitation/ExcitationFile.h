#pragma once

#include <string>
#include <string_view>

#include "excitation/ExcitationContext.h"
#include "excitation/ExcitationRecords.h"

namespace pelmor {

// Waveform definition text (.opt):
//   a marker line starting with '#';
//   a header "points period" (tabs and commas in it read as blanks and points: "64\t0,5");
//   component lines "index amplitude phase" (index 1 ... 256, at most 256 per signal);
//   a line starting with a negative integer closes a signal: -1 ends the text, any other
//   (-2 from the copy command) starts the next one. At most 15 signals.
// Blank lines are skipped; any other line that does not give three numbers is refused.
struct ExcitationTextResult {
    enum class Status {
        Ok,
        NoMarker,          // "Can't load data from this file."; bank unchanged
        NoHeader,          // "Can't find number of points and/or period."; a first header
                           // number read stays in definitionPoints
        PeriodRefused,     // period error in `error`; bank partly written, to be restored
        ComponentRefused,  // component error in `error`; bank partly written, to be restored
    };
    Status status = Status::Ok;
    std::string error;  // the message to show (every status but Ok)
};

// Reads a waveform definition text straight into `bank` (definition points, period, signal
// count, component counts and components). Never touches anything outside the bank.
ExcitationTextResult ParseExcitationText(std::string_view text, ExcitationBank& bank);

// The command "Import excitation" once the user chose `path` (the document keeps the folder
// as its excitation folder). Reads the file into ctx.bank. A file that cannot be read is named
// in a message. A period or component error brings back the bank (and ctx.selectedSignal) as
// they were before the import and shows the error. A good import sets ctx.selectedSignal to 0,
// writes the bank to the profile value "Excitation" of "Options" at once, and asks, signal by
// signal, whether to optimise its crest factor. Uses every member of ctx. True after a good
// import.
bool ImportExcitation(ExcitationContext& ctx, const std::string& path);

// The text of the command "Copy" of the excitations menu (the document hands it to the
// clipboard). It reads back through ImportExcitation.
std::string ExcitationText(const ExcitationBank& bank);

}  // namespace pelmor
