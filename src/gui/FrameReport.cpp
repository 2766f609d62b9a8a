// The main frame's "Export report...": the session report of the marked stored results as a PDF.
#include <QCoreApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <algorithm>
#include <atomic>

#include "display/SessionReport.h"
#include "document/RecordAnalysis.h"
#include "gui/CMainFrame.h"
#include "gui/CommandIds.h"
#include "platform/Clock.h"
#include "platform/UserInterface.h"
#include "report/PdfReport.h"
#include "report/QtText.h"

namespace pelmor {

namespace {

// The stored results' files that still exist, each once, in the order of the results.
std::vector<std::string> RecordingFiles(const StoredImpedance& stored) {
    std::vector<std::string> files;
    for (int i = 0; i < std::min(stored.count, StoredImpedance::kCapacity); ++i) {
        const StoredResult& r = stored.results[i];
        const std::string& source = r.spectrum.source;
        if (!r.marked || source.empty() || !QFileInfo::exists(FromLocalPath(source))) continue;
        if (std::find(files.begin(), files.end(), source) == files.end()) files.push_back(source);
    }
    return files;
}

}  // namespace

bool CMainFrame::CanExportReport() const {
    if (doc_.MeasurementRunning()) return false;
    for (int i = 0; i < std::min(doc_.Stored().count, StoredImpedance::kCapacity); ++i)
        if (doc_.Stored().results[i].marked) return true;
    return false;
}

void CMainFrame::ExportReport() {
    if (!CanExportReport()) return;
    const std::vector<std::string> files = RecordingFiles(doc_.Stored());
    // The first data file's title in the folder data files are kept in.
    QString suggested = tr("Impedance report.pdf");
    std::string first;
    for (int i = 0; i < doc_.Stored().count && first.empty(); ++i)
        if (doc_.Stored().results[i].marked) first = doc_.Stored().results[i].spectrum.source;
    if (!first.empty())
        suggested = QFileInfo(FromLocalPath(first)).completeBaseName() + " report.pdf";
    const QStringList paths =
        ChooseFiles(tr("Export report"), tr("PDF files (*.pdf)"), true, false, suggested);
    if (paths.isEmpty()) return;
    QString path = paths.front();
    path = WithDefaultSuffix(path, QStringLiteral("pdf"));

    SessionReport report;
    Clock& clock = doc_.Services().clock;
    report.written = clock.FormatLocalTime("%Y/%m/%d %H:%M:%S", clock.CalendarSeconds());
    DescribeSession(doc_, report);
    for (int i = 0; i < std::min(doc_.Stored().count, StoredImpedance::kCapacity); ++i)
        if (doc_.Stored().results[i].marked)
            report.results.push_back(doc_.Stored().results[i].spectrum);
    // The outcomes' baseline, kept by "Use as baseline", with its change.
    if (doc_.OutcomeBaseline())
        for (const StoredResult& r : *doc_.OutcomeBaseline()) report.baseline.push_back(r.spectrum);
    FitReportModel(report, doc_.Services().profile);
    AddOutcomeTables(report, doc_.Services().profile);

    const int pages = 1 + static_cast<int>(files.size());
    QProgressDialog progress(tr("Making the report..."), tr("Cancel"), 0,
                             static_cast<int>(files.size()) + pages, this);
    progress.setWindowTitle(tr("Export report"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    std::atomic<bool> cancel{false};
    auto step = [&progress, &cancel](int value) {
        progress.setValue(value);
        QCoreApplication::processEvents();
        if (progress.wasCanceled()) cancel = true;
        return !cancel;
    };
    // The recordings are analysed in documents of their own: the user's data stay loaded.
    const std::vector<ReportFile> analysed = AnalyseReportFiles(
        files, RecordAnalysisSetupOf(doc_), report.lowFrequency, doc_.BreathAnalysisSettings(), 0,
        [&](int done, int) { step(done); }, &cancel);
    if (cancel) return;
    std::string skipped;
    for (const ReportFile& f : analysed) {
        if (f.record.analysed)
            report.recordings.push_back(f.page);
        else
            skipped += f.record.spectrum.label + ": " + f.record.reason + "\n";
    }
    const int fileSteps = static_cast<int>(files.size());
    std::string error;
    const bool written = WriteReportPdf(report, ToLocalPath(path), error,
                                        [&](int done, int) { return step(fileSteps + done); });
    const bool cancelled = progress.wasCanceled();
    progress.reset();
    if (!written) {
        if (!cancelled) doc_.Services().ui.ShowMessage(error);
        return;
    }
    // The report holds the marked results: they count as exported.
    doc_.MarkStoredHandedOut();
    if (!skipped.empty())
        doc_.Services().ui.ShowMessage(
            "The report was written without the pages of these recordings:\n\n" + skipped);
    SetPaneZero(tr("Report written to %1").arg(path));
}

void CMainFrame::DefineReportCommand() {
    Define({cmd::ExportReport,
            tr("Export &report…"),
            {},
            "document-export",
            [this] { ExportReport(); },
            [this] { return CanExportReport(); }});
}

}  // namespace pelmor
