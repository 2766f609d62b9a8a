#include "export/StoredImpedance.h"

#include <algorithm>
#include <cmath>

#include "analysis/ImpedanceCalculator.h"
#include "analysis/ModelFit.h"
#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "excitation/ExcitationRecords.h"
#include "export/TextHandoff.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {

const char kFullMessage[] = "No more samples can be stored.";
constexpr int kMaxMerged = StoredResult::kMaxFrequencies;
// A frequency at or above this is never taken into the merged list.
constexpr double kMergeLimit = 1000000.0;

// Position of f in the result's list (exact match), or -1.
int IndexOf(const ImpedanceSpectrum& s, double f) {
    const auto at = std::find(s.frequencies.begin(), s.frequencies.end(), f);
    return at == s.frequencies.end() ? -1 : static_cast<int>(at - s.frequencies.begin());
}

int PointCount(const StoredResult& r) { return static_cast<int>(r.spectrum.frequencies.size()); }

}  // namespace

std::string StoredLabel(const std::string& dataFile, const std::string& startTimeText, double t0,
                        double t1, bool simulated) {
    const std::string source = dataFile.empty() ? startTimeText : FileNameOf(dataFile);
    return source + (simulated ? kSimulatedLabelMark : "") + Format(", %.3lfs-%.3lfs", t0, t1);
}

bool StoredImpedance::CanStore(bool measurementRunning, bool haveSamples, bool trendDisplay,
                               bool storedFullScreen) const {
    return !measurementRunning && haveSamples && count < kCapacity && !trendDisplay &&
           !storedFullScreen;
}

bool StoredImpedance::CanImportBatch(bool measurementRunning) const {
    return !measurementRunning && count < kCapacity;
}

bool StoredImpedance::CanSelectNext(bool shown) const {
    return shown && count > 0 && selected < count - 1;
}

bool StoredImpedance::CanSelectPrevious(bool shown) const {
    return shown && count > 0 && selected > 0;
}

bool StoredImpedance::Store(const ImpedanceCalculator& c, const std::string& label,
                            UserInterface& ui, const std::string& source,
                            const std::string& timeStamp) {
    if (count >= kCapacity) {
        ui.ShowMessage(kFullMessage);
        return false;
    }
    StoredResult& r = results[count];
    const int n = std::clamp<int32_t>(c.frequencyCount, 0, StoredResult::kMaxFrequencies);
    r.spectrum.frequencies.assign(c.frequencyHz, c.frequencyHz + n);
    r.spectrum.R.assign(c.ensembleR, c.ensembleR + n);
    r.spectrum.X.assign(c.ensembleX, c.ensembleX + n);
    r.spectrum.coherence.assign(c.coherence, c.coherence + n);
    r.spectrum.label = label;
    r.spectrum.source = source;
    r.spectrum.timeStamp = timeStamp;
    r.handedOut = false;
    r.breathingRate = c.breathingRate;
    r.breathingVolume = c.breathingVolume;
    r.marked = true;
    selected = count;
    ++count;
    return true;
}

int StoredImpedance::ImportBatch(
    const std::vector<std::string>& paths, ImpedanceCalculator& calculator,
    ActiveExcitation& activeExcitation,
    const std::function<ImportOutcome(const std::string& path)>& importOne, UserInterface& ui) {
    if (paths.empty()) return 0;
    int stored = 0;
    std::string refused;
    for (const std::string& path : paths) {
        if (count >= kCapacity) {
            ui.ShowMessage(kFullMessage);
            break;
        }
        const ActiveExcitation savedExcitation = activeExcitation;
        calculator.calibrationBackup = calculator.workingCalibration;
        const ImportOutcome outcome = importOne(path);
        // A refused file leaves the previous file's results in the calculator: storing them
        // would label them with this file's name.
        if (outcome.accepted) {
            Store(calculator,
                  StoredLabel(path, "", calculator.intervalStart, calculator.intervalEnd,
                              outcome.simulated),
                  ui, path, outcome.timeStamp);
            ++stored;
        } else {
            refused += FileNameOf(path) + ": " +
                       (outcome.reason.empty() ? "it could not be imported" : outcome.reason) +
                       "\n";
        }
        activeExcitation = savedExcitation;
        calculator.workingCalibration = calculator.calibrationBackup;
    }
    selected = std::max(count - 1, 0);
    if (!refused.empty()) ui.ShowMessage("These files were not stored:\n\n" + refused);
    return stored;
}

void StoredImpedance::SelectNext() {
    if (count > 0 && selected < count - 1) selected = std::min(selected + 1, count - 1);
}

void StoredImpedance::SelectPrevious() {
    if (count > 0 && selected > 0) selected = std::max(selected - 1, 0);
}

void StoredImpedance::ToggleMarked() {
    if (selected >= 0 && selected < count) results[selected].marked = !results[selected].marked;
}

void StoredImpedance::DeleteSelected() {
    if (selected < 0 || selected >= count) return;
    for (int i = selected; i < count - 1; ++i) results[i] = results[i + 1];
    --count;
    if (selected >= count) selected = count - 1;
    if (selected < 0) selected = 0;
}

int StoredImpedance::MergedFrequencies(double* merged) const {
    int next[kCapacity] = {};
    int n = 0;
    while (n < kMaxMerged) {
        if (n > 0) {
            for (int r = 0; r < count; ++r) {
                if (next[r] < PointCount(results[r]) &&
                    results[r].spectrum.frequencies[next[r]] == merged[n - 1])
                    ++next[r];
            }
        }
        int best = -1;
        double smallest = kMergeLimit;
        for (int r = 0; r < count; ++r) {
            if (next[r] < PointCount(results[r]) &&
                results[r].spectrum.frequencies[next[r]] < smallest) {
                best = r;
                smallest = results[r].spectrum.frequencies[next[r]];
            }
        }
        if (best < 0) break;
        merged[n++] = smallest;
        ++next[best];
    }
    return n;
}

const std::string& StoredImpedance::BuildStoredTable(Profile& profile, UserInterface& ui) {
    double merged[kMaxMerged];
    const int mergedCount = MergedFrequencies(merged);
    std::vector<const StoredResult*> marked;
    for (int r = 0; r < count; ++r)
        if (results[r].marked) marked.push_back(&results[r]);
    const bool several = count > 1;

    std::string& text = tableText;
    text = several ? "\t\t\t\t" : "\t\t";
    for (const StoredResult* r : marked)
        text += "\t" + r->spectrum.label + "\t" + r->spectrum.label + "\t" + r->spectrum.label;
    text += several ? "\r\nf\t<re>\t<im>\tsd(re)\tsd(im)" : "\r\nf\t<re>\t<im>";
    for (std::size_t k = 1; k <= marked.size(); ++k) {
        const int column = static_cast<int>(k);
        text += Format("\tre %d\tim %d\tcoh %d", column, column, column);
    }
    text += "\r\n";

    // Each marked result's values paired with the merged list by frequency (not a number where
    // it has none), for the rows and the model fit.
    std::vector<std::vector<double>> re(marked.size()), im(marked.size());
    for (int i = 0; i < mergedCount; ++i) {
        const double f = merged[i];
        text += Format("%lg", f);
        double sumRe = 0, sumIm = 0, squaresRe = 0, squaresIm = 0;
        int n = 0;
        std::string columns;
        for (std::size_t k = 0; k < marked.size(); ++k) {
            const ImpedanceSpectrum& r = marked[k]->spectrum;
            const int at = IndexOf(r, f);
            re[k].push_back(at >= 0 ? r.R[at] : std::nan(""));
            im[k].push_back(at >= 0 ? r.X[at] : std::nan(""));
            if (at < 0) {
                columns += "\t\t\t";
                continue;
            }
            ++n;
            sumRe += r.R[at];
            sumIm += r.X[at];
            squaresRe += r.R[at] * r.R[at];
            squaresIm += r.X[at] * r.X[at];
            columns += Format("\t%5lg\t%5lg\t%5lg", r.R[at], r.X[at], r.coherence[at]);
        }
        // No marked result holds this frequency: there is no mean to print.
        const double meanRe = n > 0 ? sumRe / n : 0, meanIm = n > 0 ? sumIm / n : 0;
        text += n > 0 ? Format("\t%5lg\t%5lg", meanRe, meanIm) : std::string("\t\t");
        if (several) {
            if (n > 1) {
                text += Format("\t%5lg\t%5lg",
                               std::sqrt(std::fabs((squaresRe - n * meanRe * meanRe) / (n - 1))),
                               std::sqrt(std::fabs((squaresIm - n * meanIm * meanIm) / (n - 1))));
            } else {
                text += "\t\t";
            }
        }
        text += columns + "\r\n";
    }

    // The model fit needs at least one marked result and two frequencies for its LC range.
    if (marked.empty() || mergedCount < 2) return text;
    ModelOptions options = LoadModelOptions(profile, merged, mergedCount);
    if (!ui.EditModelOptions(options, merged, mergedCount)) return text;
    const std::string problem = ValidateModelOptions(options, mergedCount);
    if (!problem.empty()) {
        ui.ShowMessage(problem);
        return text;
    }
    SaveModelOptions(profile, options, merged);
    std::vector<ModelInput> inputs;
    for (std::size_t k = 0; k < marked.size(); ++k) {
        inputs.push_back({marked[k]->spectrum.label, re[k].data(), im[k].data(),
                          marked[k]->breathingRate, marked[k]->breathingVolume});
    }
    text += ModelBlockText(merged, mergedCount, inputs, options);
    return text;
}

bool StoredImpedance::HandOutStoredTable(bool toSpreadsheet, Profile& profile, UserInterface& ui,
                                         Shell& shell) {
    const std::string& text = BuildStoredTable(profile, ui);
    const bool handedOut =
        toSpreadsheet ? OpenTextInSpreadsheet(text, shell, ui) : CopyTextToClipboard(text, shell);
    if (handedOut) MarkHandedOut();
    return handedOut;
}

void StoredImpedance::MarkHandedOut() {
    for (int i = 0; i < count; ++i)
        if (results[i].marked) results[i].handedOut = true;
}

int StoredImpedance::NotHandedOutCount() const {
    int n = 0;
    for (int i = 0; i < count; ++i) n += results[i].handedOut ? 0 : 1;
    return n;
}

}  // namespace pelmor
