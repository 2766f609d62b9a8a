#pragma once

namespace pelmor {

// The questions the engine asks, one name each. The text shown beside a question is for the
// person; whoever answers without one (the record analysis, the command line, the answers "to
// all" of a batch import, the tests) answers by this name, so that rewording a text never
// changes an answer.
enum class Question {
    GenerateThirdChannel,   // a data file has two channels: make the third from the first?
    CalibrationDiffers,     // the file's calibration is not the loaded one: use the loaded one?
    CalibrationIncomplete,  // the calibration misses a used frequency: go on without it?
    OptimiseCrestFactor,    // a signal of a loaded waveform file: optimise its crest factor?
    DiscardRecording,       // no file name was chosen for a recording: let its data go?
    QuitWithStoredResults,  // stored results were not copied or exported: quit anyway?
    ReopenSession,          // a test session was open when the program closed: reopen it?
};

}  // namespace pelmor
