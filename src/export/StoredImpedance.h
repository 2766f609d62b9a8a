#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/MeasuredImpedance.h"

namespace pelmor {

class ImpedanceCalculator;
class Profile;
class Shell;
class UserInterface;
struct ActiveExcitation;

// One stored impedance result: the ensemble spectrum of a time-window analysis (its label is the
// source name and time window, its source the data file analysed), with the breathing estimate
// of the same interval.
struct StoredResult {
    static constexpr int kMaxFrequencies = 256;
    ImpedanceSpectrum spectrum;  // at most kMaxFrequencies points
    bool marked = false;
    // Copied, opened in a spreadsheet or exported since it was stored.
    bool handedOut = false;
    double breathingRate = 0;    // Hz
    double breathingVolume = 0;  // flow unit times seconds
};

// What importing one file of a batch yielded. accepted is false when the import refused the
// file (unreadable, invalid header, stopped by the user before any analysis) or when the
// whole-record analysis found no period to analyse; reason then says why, for the user.
struct ImportOutcome {
    bool accepted = false;
    std::string reason;
    bool simulated = false;   // the file holds a recording made in simulation
    std::string timeStamp{};  // when the file was written ("" when it does not say)
};

// The label of a stored result: the data file's name without its folder, or the start time of
// the measurement when no file is in use, then ", %.3lfs-%.3lfs" with the analysed interval.
// A simulated source carries kSimulatedLabelMark after its name.
std::string StoredLabel(const std::string& dataFile, const std::string& startTimeText, double t0,
                        double t1, bool simulated = false);
// What a label or a list says after the name of anything simulated.
inline constexpr char kSimulatedLabelMark[] = " (simulated)";

// The format of the start time in a label of a measurement that was not written to a file.
inline constexpr char kStoredTimeFormat[] = "%d/%m/%Y,%H:%M:%S";

// Up to 32 stored impedance results, side by side for comparison and the model fit; owned by
// the document, never saved. User-interface thread only.
class StoredImpedance {
  public:
    static constexpr int kCapacity = 32;

    int count = 0;
    int selected = 0;
    std::array<StoredResult, kCapacity> results;
    // The last table built by BuildStoredTable; empty until the first one.
    std::string tableText;

    // --- enabling rules (shown: the stored-impedance window is shown) ---
    bool CanStore(bool measurementRunning, bool haveSamples, bool trendDisplay,
                  bool storedFullScreen) const;
    bool CanImportBatch(bool measurementRunning) const;
    bool CanClear() const { return count > 0; }
    bool CanSelectNext(bool shown) const;
    bool CanSelectPrevious(bool shown) const;
    // Toggle marked state, Delete selected, Copy and Open stored data.
    bool CanEditSelection(bool shown) const { return shown && count > 0; }

    // Copies the calculator's ensemble results (frequencies, real and imaginary parts,
    // coherence) and breathing estimate into a new marked result and selects it. With 32
    // results, shows "No more samples can be stored." and returns false. The caller refreshes
    // the status text ("Stored samples:%d").
    // source names the data file the result came from ("" for a live measurement), timeStamp
    // when that file was written.
    bool Store(const ImpedanceCalculator& calculator, const std::string& label, UserInterface& ui,
               const std::string& source = "", const std::string& timeStamp = "");

    // Imports the files one after the other through importOne (which loads the file into the
    // document and runs the whole-record time-window analysis, with all their questions and
    // messages) and stores each accepted file's result, labelled with the file's name. The
    // active excitation and the working calibration are kept around every file (through the
    // calculator's calibrationBackup) and put back after it. Stops with "No more samples can be
    // stored." when the collection is full; afterwards one message lists the files that were
    // not stored and why. Selects the last result. Returns the number of results stored.
    int ImportBatch(const std::vector<std::string>& paths, ImpedanceCalculator& calculator,
                    ActiveExcitation& activeExcitation,
                    const std::function<ImportOutcome(const std::string& path)>& importOne,
                    UserInterface& ui);

    // Only the count is reset; the old entries are overwritten by later stores.
    void Clear() { count = 0; }
    void SelectNext();
    void SelectPrevious();
    void ToggleMarked();
    // Removes the selected result; the later ones move up one place with all their fields.
    void DeleteSelected();

    // The frequencies of every stored result (marked or not) merged in ascending order, each
    // value once, at most 256. Returns the count.
    int MergedFrequencies(double* merged) const;

    // Builds tableText: the labels and column names, one row per merged frequency with the mean
    // and standard deviation over the marked results that hold it and each marked result's
    // values, then (after the user accepts the model options) the model block.
    const std::string& BuildStoredTable(Profile& profile, UserInterface& ui);

    // "Copy stored data" / "Open stored data in Spreadsheet": builds the table and hands it to the
    // clipboard or the spreadsheet. False when nothing was handed out.
    bool HandOutStoredTable(bool toSpreadsheet, Profile& profile, UserInterface& ui, Shell& shell);
    // Marks the marked results as handed out: those a table or a report holds (a successful
    // copy, spreadsheet or export of the table, a written report). The others keep their state.
    void MarkHandedOut();
    // The results that have not been handed out since they were stored.
    int NotHandedOutCount() const;
};

}  // namespace pelmor
