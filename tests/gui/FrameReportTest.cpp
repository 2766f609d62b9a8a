// "Export report...": the marked stored results and their recordings written as a PDF.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>

#include "core/FileBytes.h"
#include "device/SerialDriverFactory.h"
#include "document/CPelmorDoc.h"
#include "files/DataFile.h"
#include "gui/CMainFrame.h"
#include "gui/CommandIds.h"
#include "gui/QtShell.h"
#include "gui/QtUserInterface.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

// 8 s of a six-harmonic excitation at 256 Hz with a resistance-like response and a breathing
// wave in the third channel.
std::string WriteRecording(const std::string& path, double resistance) {
    ActiveExcitation e{};
    e.period = 1.0;
    e.componentCount = 6;
    for (int i = 0; i < 6; ++i) e.frequencyIndex[i] = 2 + i;
    constexpr int kFrames = 8 * 256;
    std::vector<double> volts(kFrames * 3);
    for (int k = 0; k < kFrames; ++k) {
        double x = 0;
        for (int i = 0; i < 6; ++i)
            x += 0.1 * std::cos(2 * std::numbers::pi * e.frequencyIndex[i] * k / 256.0 + i * i);
        volts[k * 3] = resistance * x;
        volts[k * 3 + 1] = x;
        volts[k * 3 + 2] = std::sin(2 * std::numbers::pi * 0.25 * k / 256.0);
    }
    DataFileInput in;
    in.sampleRate = 256;
    in.signalPeriod = 1.0;
    in.samplesPerPeriod = 256;
    in.channelCount = 3;
    in.frameCount = kFrames;
    in.timeStamp = "2026/12/10   05:00:00";
    in.excitation = &e;
    in.voltSamples = volts;
    std::string message;
    EXPECT_TRUE(WriteDataFile(path, DataFormat::FullPrecision, in, message)) << message;
    return path;
}

std::string RunTool(const std::string& command) { return test::CommandOutput(command); }

struct ReportFixture : ::testing::Test {
    test::MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::RecordingShell shell;
    test::FakeClock clock;
    test::TempDir dir;
    NoDeviceSerialDriver driver;
    std::unique_ptr<MeasurementState> state = std::make_unique<MeasurementState>();
    std::unique_ptr<CPelmorDoc> doc =
        std::make_unique<CPelmorDoc>(*state, DocumentServices{profile, ui, shell, clock, driver});
    QtUserInterface frameUi;
    QtShell frameShell;
    std::unique_ptr<CMainFrame> frame;
    QStringList chosen;
    QString suggestedFolderName;

    void SetUp() override {
        shell.homeFolder = dir.Path();
        frame = std::make_unique<CMainFrame>(*doc, frameUi, frameShell);
        frame->chooseFiles = [this](const QString&, const QString& filter, bool save, bool) {
            EXPECT_TRUE(save);
            EXPECT_TRUE(filter.contains(QStringLiteral("*.pdf")));
            return chosen;
        };
    }
};

TEST_F(ReportFixture, ListedBelowPrintPreviewAndEnabledByMarkedResults) {
    QList<QAction*> items;
    for (QAction* a : frame->menuBar()->actions())
        if (a->menu() != nullptr && a->text() == QStringLiteral("&File"))
            items = a->menu()->actions();
    const qsizetype preview = items.indexOf(frame->Action(cmd::PrintPreview));
    ASSERT_GE(preview, 0);
    EXPECT_EQ(items.value(preview + 1), frame->Action(cmd::ExportReport));
    EXPECT_EQ(frame->Action(cmd::ExportReport)->text().remove(QLatin1Char('&')),
              QStringLiteral("Export report…"));
    frame->UpdateCommandUi();
    EXPECT_FALSE(frame->Action(cmd::ExportReport)->isEnabled());
    doc->ImportFromFiles({WriteRecording(dir.File("a 001.inpx"), 0.3)});
    frame->UpdateCommandUi();
    EXPECT_TRUE(frame->Action(cmd::ExportReport)->isEnabled());
    doc->ToggleStoredMarked();  // the one result, selected
    ASSERT_FALSE(doc->Stored().results[0].marked);
    frame->UpdateCommandUi();
    EXPECT_FALSE(frame->Action(cmd::ExportReport)->isEnabled());
}

TEST_F(ReportFixture, WritesTheMarkedResultsWithAPagePerRecordingThatStillExists) {
    const std::string a = WriteRecording(dir.File("a 001.inpx"), 0.3);
    const std::string b = WriteRecording(dir.File("b 001.inpx"), 0.4);
    const std::string c = WriteRecording(dir.File("c 001.inpx"), 0.5);
    ASSERT_EQ(doc->ImportFromFiles({a, b, c}), 3);
    const std::string loaded = doc->CurrentDataFile();
    doc->SelectPreviousStored();  // from c to b, which is left out
    doc->ToggleStoredMarked();
    ASSERT_FALSE(doc->Stored().results[1].marked);
    std::remove(c.c_str());  // c's result stays, its page goes
    const std::string pdf = dir.File("a 001 report.pdf");
    chosen = {QString::fromStdString(dir.File("a 001 report"))};  // ".pdf" is added
    ui.ClearRecords();
    ASSERT_TRUE(frame->RunCommand(cmd::ExportReport));
    EXPECT_TRUE(ui.Messages().empty());
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(pdf)));
    const std::string info = RunTool("pdfinfo '" + pdf + "'");
    ASSERT_NE(info.find("Pages:"), std::string::npos) << info;
    EXPECT_EQ(std::stoi(info.substr(info.find("Pages:") + 6)), 2);
    const std::string text = RunTool("pdftotext '" + pdf + "' -");
    EXPECT_NE(text.find("a 001.inpx"), std::string::npos);
    EXPECT_NE(text.find("Results: 2"), std::string::npos);
    EXPECT_EQ(text.find("b 001.inpx"), std::string::npos);
    // The user's document is left as it was.
    EXPECT_EQ(doc->CurrentDataFile(), loaded);
    EXPECT_EQ(doc->Stored().count, 3);
    // The results the report holds count as exported; b, left out, is still asked about.
    ui.ClearRecords();
    ui.QueueAnswer(false);
    EXPECT_FALSE(doc->CanCloseFrame());
    EXPECT_EQ(ui.Questions(), std::vector<std::string>{"1 stored results have not been copied or "
                                                       "exported. Quit anyway?"});

    // The outcomes' baseline adds its table with the change.
    // ("Use as baseline" with the second result marked alone; the marks are then restored.)
    // Every mark turned round, from the first result to the last.
    auto toggleAll = [&] {
        for (int i = 0; i < 3; ++i) doc->SelectPreviousStored();
        for (int i = 0; i < 3; ++i) {
            doc->ToggleStoredMarked();
            doc->SelectNextStored();
        }
    };
    toggleAll();
    for (int i = 0; i < 3; ++i) ASSERT_EQ(doc->Stored().results[i].marked, i == 1);
    doc->UseMarkedAsOutcomeBaseline();
    toggleAll();
    for (int i = 0; i < 3; ++i) ASSERT_EQ(doc->Stored().results[i].marked, i != 1);
    ASSERT_TRUE(frame->RunCommand(cmd::ExportReport));
    EXPECT_NE(RunTool("pdftotext '" + pdf + "' -").find("Baseline and change"), std::string::npos);

    // A destination that cannot be written: the message names it.
    chosen = {QString::fromStdString(dir.File("missing/x.pdf"))};
    ui.ClearRecords();
    frame->RunCommand(cmd::ExportReport);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].find("Can't write " + dir.File("missing/x.pdf")), std::string::npos);
}

}  // namespace
}  // namespace pelmor
