#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "core/Version.h"
#include "device/DeviceEmulator.h"
#include "document/CPelmorDoc.h"
#include "gui/dialogs/CExcitationDlg.h"
#include "gui/dialogs/CExcitationFrequencyDlg.h"
#include "gui/dialogs/CModelOptionsDlg.h"
#include "gui/dialogs/COptionsDlg.h"
#include "gui/dialogs/CSaveSetupDlg.h"
#include "gui/dialogs/CUnitsDlg.h"
#include "gui/dialogs/DialogSupport.h"
#include "gui/dialogs/DisplayDialogs.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

// Widgets need a QApplication, made before any test of this program runs (a plain
// QGuiApplication made later by another test would not do) and never destroyed.
class WidgetApplication : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_gui";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            new QApplication(argc, argv);
        }
    }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new WidgetApplication);

// Captures the validation messages instead of showing boxes.
struct DialogTest : ::testing::Test {
    std::vector<std::string> messages;
    DialogMessageFunction previous;
    void SetUp() override {
        previous = SetDialogMessageFunction(
            [this](QWidget*, const QString& text) { messages.push_back(ToUtf8(text)); });
    }
    void TearDown() override { SetDialogMessageFunction(previous); }

    template <typename T>
    static T* Child(QWidget& dialog, const char* name) {
        T* child = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    static void SetText(QWidget& dialog, const char* name, const QString& text) {
        Child<QLineEdit>(dialog, name)->setText(text);
    }
    static void ClickOk(QDialog& dialog) {
        Child<QDialogButtonBox>(dialog, "buttons")->button(QDialogButtonBox::Ok)->click();
    }
    // Shows the dialog without an event loop so that focus can be checked.
    static void Show(QDialog& dialog) {
        dialog.show();
        QApplication::setActiveWindow(&dialog);
    }
    std::string LastMessage() const { return messages.empty() ? "" : messages.back(); }
};

// Acts on the modal dialog the entry function opens as soon as its event loop runs; the act
// must end the dialog.
void WhenModal(std::function<void(QDialog&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no modal dialog";
            return;
        }
        act(*dialog);
        if (dialog->isVisible()) {  // never leave the test waiting
            ADD_FAILURE() << "the dialog stayed open";
            dialog->reject();
        }
    });
}

// ---------------------------------------------------------------- Options

struct OptionsTest : DialogTest {
    std::unique_ptr<MeasurementState> state = std::make_unique<MeasurementState>();
    MeasurementSetup setup;
    ExcitationBank bank;
};

TEST_F(OptionsTest, ChannelsThreeAndEightWithXAndYOnThemGiveMask0x21AndSlots) {
    COptionsDlg dialog(nullptr, OptionsFromSetup(setup, bank));
    Child<QCheckBox>(dialog, "channel1")->setChecked(false);
    Child<QCheckBox>(dialog, "channel2")->setChecked(false);
    Child<QCheckBox>(dialog, "channel3")->setChecked(true);
    Child<QCheckBox>(dialog, "channel8")->setChecked(true);
    Child<QRadioButton>(dialog, "x3")->setChecked(true);
    Child<QRadioButton>(dialog, "y8")->setChecked(true);
    SetText(dialog, "name3", QStringLiteral("Pressure"));
    Child<QComboBox>(dialog, "sampleRate")->setCurrentIndex(2);
    Child<QRadioButton>(dialog, "bits12")->setChecked(true);
    ClickOk(dialog);
    ASSERT_EQ(dialog.result(), QDialog::Accepted) << LastMessage();
    EXPECT_TRUE(messages.empty());

    ApplyOptions(dialog.Values(), setup, bank, *state);
    EXPECT_EQ(setup.channelMask, 0x21);
    EXPECT_EQ(setup.channelCount, 2);
    EXPECT_EQ(setup.xChannelIndex, 0);
    EXPECT_EQ(setup.yChannelIndex, 1);
    EXPECT_EQ(setup.sampleRateIndex, 2);
    EXPECT_EQ(setup.dataBits, 0);
    EXPECT_EQ(setup.channelNames[2], "Pressure");
    EXPECT_EQ(setup.sampleRate, 512.0);  // derived only by the next start

    // Channel 7 alone sets mask bit 1 and leaves bit 0 clear.
    OptionsValues seven;
    std::fill(std::begin(seven.channelEnabled), std::end(seven.channelEnabled), false);
    seven.channelEnabled[6] = true;
    seven.xChannel = seven.yChannel = 6;
    ASSERT_FALSE(ValidateOptions(seven));
    ApplyOptions(seven, setup, bank, *state);
    EXPECT_EQ(setup.channelMask, 0x02);
}

TEST_F(OptionsTest, FillingTranslatesSlotsToRowsAndLeavesAnUnmeasuredSlotUnchosen) {
    setup.channelMask = 0x21;
    setup.xChannelIndex = 1;  // channel 8
    setup.yChannelIndex = 5;  // no such slot
    setup.channelNames[7] = "Flow";
    bank.normaliseAmplitude = 1;
    bank.signalAmplitude = 2.5;
    setup.sweep.enabled = 7;
    const OptionsValues v = OptionsFromSetup(setup, bank);
    EXPECT_EQ(v.xChannel, 7);
    EXPECT_EQ(v.yChannel, -1);
    EXPECT_TRUE(v.channelEnabled[2] && v.channelEnabled[7] && !v.channelEnabled[0]);
    EXPECT_TRUE(v.scaling);
    EXPECT_EQ(v.scalingAmplitude, 2.5);

    COptionsDlg dialog(nullptr, v);
    EXPECT_EQ(Child<QLineEdit>(dialog, "name8")->text(), QStringLiteral("Flow"));
    EXPECT_EQ(Child<QLineEdit>(dialog, "amplitude")->text(), QStringLiteral("2.5"));
    ClickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(LastMessage(), "Please choose Y channel for XY plot from selected channels");

    Child<QRadioButton>(dialog, "y3")->setChecked(true);
    ClickOk(dialog);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    ApplyOptions(dialog.Values(), setup, bank, *state);
    EXPECT_EQ(setup.xChannelIndex, 1);
    EXPECT_EQ(setup.yChannelIndex, 0);
    EXPECT_EQ(setup.sweep.enabled, 1);
}

TEST_F(OptionsTest, RefusedValuesKeepTheDialogOpenWithTheMessageAndFocus) {
    struct Case {
        const char* what;
        void (*change)(QDialog&);
        const char* message;
        const char* focus;
    };
    const Case cases[] = {
        {"recording time 0", [](QDialog& d) { SetText(d, "recordingTime", "0"); },
         "Enter an integer between 1 and 120.", "recordingTime"},
        {"recording time not a number", [](QDialog& d) { SetText(d, "recordingTime", "1.5"); },
         "Enter an integer between 1 and 120.", "recordingTime"},
        {"amplitude 6 V", [](QDialog& d) { SetText(d, "amplitude", "6"); },
         "Enter a number between 0.1 and 5.", "amplitude"},
        {"unchecked X channel",
         [](QDialog& d) { Child<QCheckBox>(d, "channel1")->setChecked(false); },
         "Please choose X channel for XY plot from selected channels", "x1"},
        {"no channel",
         [](QDialog& d) {
             Child<QCheckBox>(d, "channel1")->setChecked(false);
             Child<QCheckBox>(d, "channel2")->setChecked(false);
         },
         "Please select at least one channel", "channel1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        COptionsDlg dialog(nullptr, OptionsValues{});
        Show(dialog);
        c.change(dialog);
        ClickOk(dialog);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
        ASSERT_NE(dialog.focusWidget(), nullptr);
        EXPECT_EQ(dialog.focusWidget()->objectName(), QString::fromLatin1(c.focus));
    }
}

TEST_F(OptionsTest, SignalNamesHoldTwentyCharacters) {
    COptionsDlg dialog(nullptr, OptionsValues{});
    QLineEdit* name = Child<QLineEdit>(dialog, "name1");
    name->setText(QString(21, QLatin1Char('a')));
    EXPECT_EQ(name->text().size(), 20);

    OptionsValues v;
    v.names[4] = std::string(21, 'a');
    const auto problem = ValidateOptions(v);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->message, "Enter no more than 20 characters.");
    EXPECT_EQ(problem->row, 4);
    v.names[4].pop_back();
    EXPECT_FALSE(ValidateOptions(v));

    // A longer name from an edited profile reaches the check instead of being cut silently.
    v.names[4] += "bc";
    COptionsDlg longName(nullptr, v);
    EXPECT_EQ(Child<QLineEdit>(longName, "name5")->text().size(), 22);
    ClickOk(longName);
    EXPECT_EQ(longName.result(), QDialog::Rejected);
    EXPECT_EQ(LastMessage(), "Enter no more than 20 characters.");
}

TEST_F(OptionsTest, TheOptionsCommandWritesTheDocumentAndMarksAnOpenSetupModified) {
    test::MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::RecordingShell shell;
    SystemClock clock;
    EmulatorOptions emulatorOptions;
    emulatorOptions.realtime = false;
    DeviceEmulator emulator(emulatorOptions, &clock);
    CPelmorDoc doc(*state, DocumentServices{profile, ui, shell, clock, emulator});
    test::TempDir dir;
    for (const bool open : {false, true}) {
        SCOPED_TRACE(open ? "a setup file is open" : "no setup file");
        if (open)
            ASSERT_TRUE(doc.SaveSetup(dir.File("setup.plm")));  // open and unmodified
        else
            doc.NewSetup();
        WhenModal([](QDialog& d) {
            Child<QCheckBox>(d, "channel3")->setChecked(true);
            SetText(d, "recordingTime", "20");
            ClickOk(d);
        });
        ASSERT_TRUE(EditDocumentOptions(nullptr, doc));
        EXPECT_EQ(doc.Setup().channelMask, 0xE0);
        EXPECT_EQ(doc.Setup().channelCount, 3);
        EXPECT_EQ(doc.Setup().recordingTime, 20);
        EXPECT_EQ(doc.Modified(), open);
    }
    WhenModal([](QDialog& d) {
        SetText(d, "recordingTime", "30");
        d.reject();
    });
    EXPECT_FALSE(EditDocumentOptions(nullptr, doc));
    EXPECT_EQ(doc.Setup().recordingTime, 20);
}

// ---------------------------------------------------------------- Excitation definition

TEST_F(DialogTest, ExcitationDefinitionStartsFromAFreshProfileAndRelabels) {
    test::MemoryProfile profile;
    CExcitationDlg dialog(nullptr, LoadExcitationDefinition(profile), profile);
    EXPECT_EQ(Child<QComboBox>(dialog, "period")->currentText(), QStringLiteral("1/2 s"));
    EXPECT_EQ(Child<QLineEdit>(dialog, "signalAmplitude")->text(), QStringLiteral("1"));
    EXPECT_EQ(Child<QLineEdit>(dialog, "signalCount")->text(), QStringLiteral("1"));
    EXPECT_EQ(Child<QCheckBox>(dialog, "component0")->text(), QStringLiteral("2 Hz"));
    EXPECT_EQ(Child<QCheckBox>(dialog, "component11")->text(), QStringLiteral("24 Hz"));
    EXPECT_TRUE(Child<QCheckBox>(dialog, "component11")->isChecked());

    QComboBox* shape = Child<QComboBox>(dialog, "amplitudeShape");
    shape->setCurrentIndex(1);
    emit shape->activated(1);
    QComboBox* distribution = Child<QComboBox>(dialog, "frequencyDistribution");
    distribution->setCurrentIndex(1);
    emit distribution->activated(1);
    const char* amplitudes[] = {"1", "0.5", "0.3333", "0.25"};
    for (int j = 0; j < 4; ++j)
        EXPECT_EQ(Child<QLineEdit>(dialog, ("componentAmplitude" + std::to_string(j)).c_str())
                      ->text()
                      .toStdString(),
                  amplitudes[j]);
    EXPECT_EQ(Child<QCheckBox>(dialog, "component0")->text(), QStringLiteral("4 Hz"));
    EXPECT_EQ(Child<QCheckBox>(dialog, "component11")->text(), QStringLiteral("74 Hz"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(DialogTest, ExcitationCancelStillStoresWhatTheLastTransferTook) {
    test::MemoryProfile profile;
    {
        CExcitationDlg dialog(nullptr, LoadExcitationDefinition(profile), profile);
        SetText(dialog, "signalAmplitude", "2.5");
        Child<QCheckBox>(dialog, "component3")->setChecked(false);
        QComboBox* period = Child<QComboBox>(dialog, "period");
        period->setCurrentIndex(1);
        emit period->activated(1);
        EXPECT_EQ(Child<QCheckBox>(dialog, "component0")->text(), QStringLiteral("1 Hz"));
        SetText(dialog, "signalCount", "3");  // typed after the transfer: not kept
        dialog.reject();
    }
    EXPECT_EQ(profile.GetInt("Excitation definition", "Signal Period Code", -1), 1);
    EXPECT_EQ(profile.GetString("Excitation definition", "SignalAmplitude", ""), "2.5");
    EXPECT_EQ(profile.GetInt("Excitation definition", "Frequency3", -1), 0);
    EXPECT_EQ(profile.GetInt("Excitation definition", "Number Of Signals", -1), 1);
}

TEST_F(DialogTest, ExcitationRefusesOutOfRangeValuesAndNeverStoresThem) {
    struct Case {
        const char* edit;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"signalCount", "17", "Enter an integer between 1 and 16."},
        {"signalAmplitude", "6", "Enter a number between 0.1 and 5."},
        {"componentAmplitude5", "0", "Enter a number between 0.001 and 1000."},
        {"signalAmplitude", "abc", "Enter a number between 0.1 and 5."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        messages.clear();
        test::MemoryProfile profile;
        {
            CExcitationDlg dialog(nullptr, LoadExcitationDefinition(profile), profile);
            Show(dialog);
            SetText(dialog, c.edit, QString::fromLatin1(c.text));
            // Transferred after every checked value: a refused OK must not take them.
            Child<QCheckBox>(dialog, "component3")->setChecked(false);
            Child<QComboBox>(dialog, "frequencyDistribution")->setCurrentIndex(1);
            ClickOk(dialog);
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
            EXPECT_EQ(messages, std::vector<std::string>{c.message});
            ASSERT_NE(dialog.focusWidget(), nullptr);
            EXPECT_EQ(dialog.focusWidget()->objectName(), QString::fromLatin1(c.edit));
            dialog.reject();
        }
        EXPECT_EQ(profile.GetInt("Excitation definition", "Number Of Signals", -1), 1);
        EXPECT_EQ(profile.GetString("Excitation definition", "SignalAmplitude", ""), "1");
        EXPECT_EQ(profile.GetInt("Excitation definition", "Frequency3", -1), 1);
        EXPECT_EQ(profile.GetInt("Excitation definition", "Frequency distribution", -1), 0);
    }
}

TEST_F(DialogTest, ExcitationOkGivesTheTypedValues) {
    test::MemoryProfile profile;
    CExcitationDlg dialog(nullptr, LoadExcitationDefinition(profile), profile);
    SetText(dialog, "signalCount", "16");
    SetText(dialog, "signalAmplitude", "5");
    SetText(dialog, "componentAmplitude2", "0.75");
    ClickOk(dialog);
    ASSERT_EQ(dialog.result(), QDialog::Accepted) << LastMessage();
    EXPECT_EQ(dialog.Values().signalCount, 16);
    EXPECT_EQ(dialog.Values().signalAmplitude, 5.0);
    EXPECT_EQ(dialog.Values().componentAmplitude[2], 0.75);
}

TEST_F(DialogTest, ExcitationFrequencyListIsRefusedOnOkOrKeptAcrossARestart) {
    test::MemoryProfile profile;
    {
        CExcitationDlg dialog(nullptr, LoadExcitationDefinition(profile), profile);
        Show(dialog);
        EXPECT_FALSE(Child<QLineEdit>(dialog, "frequencyList")->isEnabled());
        Child<QCheckBox>(dialog, "useFrequencyList")->setChecked(true);
        EXPECT_FALSE(Child<QCheckBox>(dialog, "component0")->isEnabled());
        EXPECT_FALSE(Child<QComboBox>(dialog, "frequencyDistribution")->isEnabled());
        SetText(dialog, "frequencyList", "4, 11");
        ClickOk(dialog);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(messages, std::vector<std::string>{
                                "11 Hz is not a multiple of the 2 Hz fundamental of the 1/2 s "
                                "period."});
        ASSERT_NE(dialog.focusWidget(), nullptr);
        EXPECT_EQ(dialog.focusWidget()->objectName(), QStringLiteral("frequencyList"));
        dialog.reject();
    }
    // The refused list was not kept.
    EXPECT_EQ(profile.GetInt("Excitation definition", "Use frequency list", -1), 0);
    EXPECT_EQ(profile.GetString("Excitation definition", "Frequency list", "?"), "");
    {
        CExcitationDlg dialog(nullptr, LoadExcitationDefinition(profile), profile);
        Child<QCheckBox>(dialog, "useFrequencyList")->setChecked(true);
        SetText(dialog, "frequencyList", "4, 10-18/8");
        ClickOk(dialog);
        ASSERT_EQ(dialog.result(), QDialog::Accepted) << LastMessage();
        EXPECT_EQ(dialog.Values().useFrequencyList, 1);
        EXPECT_EQ(dialog.Values().frequencyList, "4, 10-18/8");
    }
    CExcitationDlg again(nullptr, LoadExcitationDefinition(profile), profile);
    EXPECT_TRUE(Child<QCheckBox>(again, "useFrequencyList")->isChecked());
    EXPECT_EQ(Child<QLineEdit>(again, "frequencyList")->text(), QStringLiteral("4, 10-18/8"));
    EXPECT_TRUE(Child<QLineEdit>(again, "frequencyList")->isEnabled());
    EXPECT_EQ(messages.size(), 1u);
}

// ---------------------------------------------------------------- Model options

TEST_F(DialogTest, ModelOptionsRefuseEmptyRangesAndKeepThemInTheProfile) {
    const double f[] = {4, 8, 12, 16};
    CModelOptionsDlg dialog(nullptr, ModelOptions{0, 3, 0, 3}, f, 4);
    EXPECT_EQ(Child<QComboBox>(dialog, "rTo")->currentText(), QStringLiteral("16"));
    Child<QComboBox>(dialog, "rFrom")->setCurrentIndex(2);
    Child<QComboBox>(dialog, "rTo")->setCurrentIndex(1);
    ClickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(LastMessage(), "Invalid R frequency range");

    Child<QComboBox>(dialog, "rTo")->setCurrentIndex(2);  // a single R frequency is enough
    Child<QComboBox>(dialog, "lcFrom")->setCurrentIndex(3);
    ClickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(LastMessage(), "Invalid LC frequency range");

    Child<QComboBox>(dialog, "lcFrom")->setCurrentIndex(1);
    ClickOk(dialog);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    const ModelOptions o = dialog.Options();
    EXPECT_EQ(o.rFrom, 2);
    EXPECT_EQ(o.rTo, 2);
    EXPECT_EQ(o.lcFrom, 1);
    EXPECT_EQ(o.lcTo, 3);
    EXPECT_EQ(messages.size(), 2u);
}

// ---------------------------------------------------------------- Units and reference values

TEST_F(DialogTest, UnitsAndReferenceSetAreWrittenAndReadBackWithTheRefusedSetsListed) {
    test::TempDir dir;
    const std::string folder = test::ReferenceDataHome(dir, true);
    MemoryProfile profile;
    auto check = [&](const char* calibration, const char* display, const char* set) {
        WhenModal([&](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Units and reference values"));
            auto* sets = Child<QComboBox>(d, "referenceSet");
            EXPECT_EQ(sets->count(), 2);
            EXPECT_EQ(sets->itemText(0), QStringLiteral("none"));
            EXPECT_EQ(sets->itemText(1), QStringLiteral("Aarli IOS adults"));
            const QString refusals = Child<QLabel>(d, "refusals")->text();
            EXPECT_TRUE(refusals.contains(Utf8(folder + "/broken.json"))) << ToUtf8(refusals);
            Child<QComboBox>(d, "calibrationUnit")->setCurrentText(Utf8(calibration));
            Child<QComboBox>(d, "displayUnit")->setCurrentText(Utf8(display));
            sets->setCurrentText(Utf8(set));
            ClickOk(d);
        });
        ASSERT_TRUE(EditUnitsChoice(nullptr, profile));
        EXPECT_EQ(profile.GetString("Units", "Calibration unit", "?"), calibration);
        EXPECT_EQ(profile.GetString("Units", "Display unit", "?"), display);
        EXPECT_EQ(profile.GetString("Reference values", "Set", "?"),
                  std::string(set) == "none" ? "" : set);
        // Opened again, the dialog shows what it wrote.
        CUnitsDlg again(nullptr, LoadUnitsChoice(profile), LoadReferenceSets(ReferenceFolders()));
        EXPECT_EQ(ToUtf8(Child<QComboBox>(again, "calibrationUnit")->currentText()), calibration);
        EXPECT_EQ(ToUtf8(Child<QComboBox>(again, "displayUnit")->currentText()), display);
        EXPECT_EQ(ToUtf8(Child<QComboBox>(again, "referenceSet")->currentText()), set);
    };
    check("hPa·s/L", "cmH2O·s/L", "Aarli IOS adults");
    check("kPa·s/L", "kPa·s/L", "none");
    EXPECT_TRUE(messages.empty());
}

// ---------------------------------------------------------------- Entry functions

TEST_F(DialogTest, EntryFunctionsReturnTheChoiceOrCancel) {
    const double hz[] = {2, 4.5, 6};
    WhenModal([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Select single excitation frequency"));
        QComboBox* list = Child<QComboBox>(d, "frequency");
        EXPECT_EQ(list->itemText(1), QStringLiteral("4.5"));
        EXPECT_EQ(list->currentIndex(), 2);
        list->setCurrentIndex(1);
        ClickOk(d);
    });
    EXPECT_EQ(ChooseExcitationFrequency(nullptr, hz, 3, 2), 1);
    WhenModal([](QDialog& d) { d.reject(); });
    EXPECT_EQ(ChooseExcitationFrequency(nullptr, hz, 3, 0), -1);

    // With the profile: the ranges come from it and go back to it after OK.
    test::MemoryProfile profile;
    profile.WriteString("Model", "R fmin", "8");
    const double f[] = {4, 8, 12, 16};
    ModelOptions options;
    WhenModal([](QDialog& d) {
        // Each missing key defaults to the text of the one before: all four at 8 Hz.
        for (const char* list : {"rFrom", "rTo", "lcFrom", "lcTo"})
            EXPECT_EQ(Child<QComboBox>(d, list)->currentIndex(), 1) << list;
        Child<QComboBox>(d, "lcTo")->setCurrentIndex(3);
        ClickOk(d);
    });
    ASSERT_TRUE(EditModelOptions(nullptr, profile, options, f, 4));
    EXPECT_EQ(options.lcTo, 3);
    EXPECT_EQ(profile.GetString("Model", "LC fmax", ""), "16");
}

TEST_F(DialogTest, SaveOptionsSelectSetsFolderAndTitleAndCancelKeepsTheFolder) {
    std::vector<QString> filters;
    const SaveFileChooser previousChooser =
        SetSaveFileChooser([&](QWidget*, const QString& proposed, const QString& filter) {
            EXPECT_EQ(proposed, QStringLiteral("/home/u/x"));
            filters.push_back(filter);
            return QString::fromUtf8("/data/Donn\u00e9es/run.inpx");
        });
    SaveOptions options;
    options.folder = "/home/u";
    WhenModal([](QDialog& d) {
        EXPECT_EQ(Child<QLineEdit>(d, "title")->text(), QStringLiteral("x"));
        EXPECT_FALSE(Child<QCheckBox>(d, "append")->isEnabled());
        Child<QPushButton>(d, "select")->click();
        EXPECT_EQ(Child<QPlainTextEdit>(d, "folder")->toPlainText(),
                  QString::fromUtf8("/data/Donn\u00e9es"));
        EXPECT_EQ(Child<QLineEdit>(d, "title")->text(), QStringLiteral("run"));
        d.reject();
    });
    EXPECT_FALSE(EditSaveOptions(nullptr, options));
    EXPECT_EQ(options.folder,
              "/data/Donn\xC3\xA9"
              "es");  // the system's bytes, so files open

    options.folder = "/home/u";
    options.title = "x";
    options.dataBits = 0;
    {
        CSaveSetupDlg dialog(nullptr, options);
        dialog.Select();
    }
    EXPECT_EQ(filters, (std::vector<QString>{QStringLiteral("Data files (*.inpx)"),
                                             QStringLiteral("12-bit data files (*.inp)")}));
    SetSaveFileChooser(previousChooser);
}

// A recording is never written without a title, and a simulated one says so in the caption.
TEST_F(DialogTest, SaveOptionsRefuseAnEmptyTitleAndNameASimulatedRecording) {
    for (bool simulated : {false, true}) {
        SCOPED_TRACE(simulated);
        messages.clear();
        SaveOptions options;
        options.folder = "/home/u";
        options.simulated = simulated;
        CSaveSetupDlg dialog(nullptr, options);
        Show(dialog);
        EXPECT_EQ(dialog.windowTitle().contains("This recording is simulated."), simulated);
        EXPECT_EQ(dialog.findChild<QLabel*>("simulated") != nullptr, simulated);
        for (const char* empty : {"", "   "}) {
            SetText(dialog, "title", QString::fromLatin1(empty));
            ClickOk(dialog);
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
            EXPECT_TRUE(dialog.isVisible());
        }
        EXPECT_EQ(messages, std::vector<std::string>(2, "Please enter a title for the data file."));
        ASSERT_NE(dialog.focusWidget(), nullptr);
        EXPECT_EQ(dialog.focusWidget()->objectName(), QStringLiteral("title"));
        SetText(dialog, "title", QStringLiteral("subject"));
        ClickOk(dialog);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.Options().title, "subject");
    }
}

// ---------------------------------------------------------------- View dialogs

TEST_F(DialogTest, DisplayDialogsCheckTheirRanges) {
    struct Case {
        const char* value;
        bool accepted;
    };
    for (const Case& c : {Case{"0", false}, Case{"11", false}, Case{"10", true}}) {
        SCOPED_TRACE(c.value);
        messages.clear();
        CXYDisplayDlg dialog(nullptr, XYDisplayValues{});
        SetText(dialog, "cycles", QString::fromLatin1(c.value));
        Child<QComboBox>(dialog, "plotStyle")->setCurrentIndex(2);
        ClickOk(dialog);
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(dialog.Values().cycles, 10);
            EXPECT_EQ(dialog.Values().plotStyle, 2);
        } else {
            EXPECT_EQ(LastMessage(), "Enter an integer between 1 and 10.");
        }
    }

    ZDisplayValues z;
    z.frequencyCount = 3;
    z.frequencies[0] = 2, z.frequencies[1] = 4, z.frequencies[2] = 6;
    z.trendFrequencyIndex = 1;
    CZDisplayDlg zd(nullptr, z);
    EXPECT_EQ(Child<QComboBox>(zd, "trendFrequency")->currentText(), QStringLiteral("4"));
    SetText(zd, "averagingTime", "0.05");
    SetText(zd, "flowScaling", "0");
    ClickOk(zd);
    EXPECT_EQ(LastMessage(), "Enter a number between 0.1 and 5.");
    SetText(zd, "averagingTime", "0.26");
    SetText(zd, "expirationMax", "61");
    ClickOk(zd);
    EXPECT_EQ(LastMessage(), "Enter a number between 0 and 60.");
    SetText(zd, "expirationMax", "60");
    ClickOk(zd);
    EXPECT_EQ(LastMessage(), "Enter a number between 1e-06 and 10000000.");
    SetText(zd, "flowScaling", "1e7");
    SetText(zd, "flowLimitationThreshold", "-0.1");
    ClickOk(zd);
    EXPECT_EQ(LastMessage(), "Enter a number between 0 and 10000000.");
    SetText(zd, "flowLimitationThreshold", "0.28");
    SetText(zd, "inspirationMin", "12");
    SetText(zd, "inspirationMax", "10");
    ClickOk(zd);
    EXPECT_EQ(LastMessage(), "The minimum inspiration duration must not exceed the maximum.");
    EXPECT_NE(zd.result(), QDialog::Accepted);
    SetText(zd, "inspirationMin", "0");
    EXPECT_EQ(Child<QComboBox>(zd, "flowSign")->currentText(), QStringLiteral("+1"));
    Child<QComboBox>(zd, "flowSign")->setCurrentIndex(1);
    SetText(zd, "flowLimitationThreshold", "2.8");
    Child<QRadioButton>(zd, "trend")->setChecked(true);
    Child<QComboBox>(zd, "trendFrequency")->setCurrentIndex(2);
    ClickOk(zd);
    ASSERT_EQ(zd.result(), QDialog::Accepted);
    EXPECT_EQ(zd.Values().averagingTime, 0.26);
    EXPECT_EQ(zd.Values().dataToDisplay, 1);
    EXPECT_EQ(zd.Values().trendFrequencyIndex, 2);
    EXPECT_EQ(zd.Values().flowScalingFactor, 1e7);
    EXPECT_EQ(zd.Values().inspiratoryFlowSign, -1);
    EXPECT_EQ(zd.Values().flowLimitationThreshold, 2.8);
}

TEST_F(DialogTest, TimeWindowRoundsChecksAndKeepsAtLeastOnePeriod) {
    const TimeWindowValues start = TimeWindowFromRange(1.23449, 7.9996);
    EXPECT_EQ(start.from, 1.234);
    EXPECT_EQ(start.to, 8.0);
    CTimeWindowDlg dialog(nullptr, start);
    EXPECT_EQ(Child<QLineEdit>(dialog, "from")->text(), QStringLiteral("1.234"));
    SetText(dialog, "to", "121");
    ClickOk(dialog);
    EXPECT_EQ(LastMessage(), "Enter a number between 0 and 120.");
    SetText(dialog, "from", "5");
    SetText(dialog, "to", "2");
    ClickOk(dialog);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);

    double xmin = 0, xmax = 0;
    ApplyTimeWindow(dialog.Values(), 0.5, xmin, xmax);
    EXPECT_EQ(xmin, 2.0);
    EXPECT_EQ(xmax, 5.0);
    ApplyTimeWindow(TimeWindowValues{3, 3.2}, 0.5, xmin, xmax);
    EXPECT_EQ(xmin, 3.0);
    EXPECT_EQ(xmax, 3.5);
}

TEST_F(DialogTest, EveryDialogHasOkAsDefaultAndEscapeCancels) {
    test::MemoryProfile profile;
    const double f[] = {1, 2};
    std::vector<std::unique_ptr<QDialog>> dialogs;
    dialogs.emplace_back(new CExcitationDlg(nullptr, ExcitationDefinition{}, profile));
    dialogs.emplace_back(new CExcitationFrequencyDlg(nullptr, f, 2, 0));
    dialogs.emplace_back(new CModelOptionsDlg(nullptr, ModelOptions{}, f, 2));
    dialogs.emplace_back(new CSaveSetupDlg(nullptr, SaveOptions{}));
    dialogs.emplace_back(new COptionsDlg(nullptr, OptionsValues{}));
    dialogs.emplace_back(new CTimeWindowDlg(nullptr, TimeWindowValues{}));
    dialogs.emplace_back(new CXYDisplayDlg(nullptr, XYDisplayValues{}));
    dialogs.emplace_back(new CZDisplayDlg(nullptr, ZDisplayValues{}));
    for (auto& d : dialogs) {
        SCOPED_TRACE(d->windowTitle().toStdString());
        EXPECT_TRUE(
            Child<QDialogButtonBox>(*d, "buttons")->button(QDialogButtonBox::Ok)->isDefault());
        Show(*d);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(d.get(), &escape);
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(d->result(), QDialog::Rejected);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(DialogTest, AboutShowsTheVersionTheProgramWasBuiltAs) {
    CAboutDlg about(nullptr);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Pelmor"));
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(
        texts.contains(QStringLiteral("Pelmor Version ") + QString::fromLatin1(ProgramVersion())))
        << texts.join(QLatin1Char('|')).toStdString();
}

}  // namespace
}  // namespace pelmor
