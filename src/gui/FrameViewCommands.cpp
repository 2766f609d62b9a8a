// The main frame's commands on the view: the stored collection, the view keys and the context
// menus of the windows. The arithmetic is in the display layer; these only connect it.
#include <QAction>
#include <QMenu>

#include "analysis/ImpedanceCalculator.h"
#include "display/ViewInteraction.h"
#include "export/ImpedanceTables.h"
#include "export/TextHandoff.h"
#include "gui/CMainFrame.h"
#include "gui/CPelmorView.h"
#include "gui/CommandIds.h"
#include "gui/dialogs/DisplayDialogs.h"
#include "platform/Shell.h"

namespace pelmor {

namespace {

int DisplayedSlots(const CPelmorDoc& d) { return std::clamp(d.Setup().channelCount, 0, 8); }

void EditZDisplay(QWidget* parent, CPelmorDoc& d, ViewState& v) {
    ZDisplayValues values = d.ZDisplayOptions();
    values.averagePlotStyle = v.zAveragePlotStyle;
    values.instantPlotStyle = v.zInstantPlotStyle;
    if (!CZDisplayDlg::Edit(parent, values)) return;
    v.zAveragePlotStyle = values.averagePlotStyle;
    v.zInstantPlotStyle = values.instantPlotStyle;
    d.ApplyZDisplayOptions(values);
}

void EditXYDisplay(QWidget* parent, ViewState& v) {
    XYDisplayValues values{v.xyPeriods, v.xyPlotStyle};
    if (!CXYDisplayDlg::Edit(parent, values)) return;
    v.xyPeriods = values.cycles;
    v.xyPlotStyle = values.plotStyle;
}

}  // namespace

void CMainFrame::DefineStoredCommands() {
    CPelmorDoc& d = doc_;
    ViewState& v = view_->State();
    const StoredImpedance& st = d.Stored();
    auto shownAndAny = [&st, &v] { return st.CanEditSelection(v.showStoredImpedance); };
    Define({cmd::Store,
            tr("Store"),
            {},
            "list-add",
            [&d] { d.StoreImpedance(); },
            [&d, &v] { return d.CanStore(v.storedFullScreen); }});
    Define({cmd::ImportFromFiles,
            tr("Import from files"),
            {},
            "",
            [this, &d] {
                const QStringList paths = ChooseFiles(
                    tr("Import from files"),
                    tr("All data files (*.inp*);;Data files (*.inpx);;12-bit data files (*.inp)"),
                    false, true);
                std::vector<std::string> list;
                for (const QString& p : paths) list.push_back(p.toLocal8Bit().toStdString());
                if (list.empty()) return;
                if (OpenSession())
                    ImportIntoSession(list);
                else
                    d.ImportFromFiles(list);
            },
            [this, &d, &st] {
                return OpenSession() ? !d.MeasurementRunning()
                                     : st.CanImportBatch(d.MeasurementRunning());
            }});
    Define({cmd::ClearStored,
            tr("Clear all stored impedance data"),
            {},
            "edit-clear",
            [&d] {
                d.ClearStored();
                d.UpdateStatusText();
            },
            [&st] { return st.CanClear(); }});
    Define({cmd::CopyStored,
            tr("Copy stored data"),
            {},
            "edit-copy",
            [&d] { d.HandOutStoredData(false); },
            shownAndAny});
    Define({cmd::OpenStoredInExcel,
            tr("Open stored data in Spreadsheet"),
            {},
            "x-office-spreadsheet",
            [&d] { d.HandOutStoredData(true); },
            shownAndAny});
    Define(
        {cmd::StoredCopy, tr("Copy"), {}, "", [&d] { d.HandOutStoredData(false); }, shownAndAny});
    Define({cmd::StoredOpenInExcel,
            tr("Open in Spreadsheet"),
            {},
            "",
            [&d] { d.HandOutStoredData(true); },
            shownAndAny});
    Define({cmd::SelectNextStored,
            tr("Select next\tDOWN"),
            {QKeySequence(Qt::Key_Down)},
            "go-down",
            [&d] { d.SelectNextStored(); },
            [&st, &v] { return st.CanSelectNext(v.showStoredImpedance); }});
    Define({cmd::SelectPreviousStored,
            tr("Select previous\tUP"),
            {QKeySequence(Qt::Key_Up)},
            "go-up",
            [&d] { d.SelectPreviousStored(); },
            [&st, &v] { return st.CanSelectPrevious(v.showStoredImpedance); }});
    Define({cmd::ToggleMarked,
            tr("Toggle marked state"),
            {QKeySequence(Qt::Key_M)},
            "emblem-important",
            [&d] { d.ToggleStoredMarked(); },
            shownAndAny});
    Define({cmd::DeleteStored,
            tr("Delete selected\tDEL"),
            {QKeySequence(Qt::Key_Delete)},
            "edit-delete",
            [&d] {
                d.DeleteSelectedStored();
                d.UpdateStatusText();
            },
            shownAndAny});
    Define({cmd::FullScreen,
            tr("Full screen\tF5"),
            {},
            "view-fullscreen",
            [&v] { v.storedFullScreen = !v.storedFullScreen; },
            {},
            [&v] { return v.storedFullScreen; }});
    Define({cmd::FullScreenOn,
            tr("Full screen on"),
            {QKeySequence(Qt::Key_F5)},
            "",
            [&v] { v.storedFullScreen = true; },
            {}});
    Define({cmd::LeaveFullScreen,
            tr("Leave full screen"),
            {QKeySequence(Qt::Key_Escape)},
            "",
            [&d, &v] {
                v.storedFullScreen = false;
                if (d.MeasurementRunning()) d.Stop();
            },
            {}});
}

void CMainFrame::DefineViewKeys() {
    CPelmorDoc& d = doc_;
    ViewState& v = view_->State();
    // The time keys change the plot windows.
    auto windows = [&d](std::function<void(PlotSetup&)> change) {
        return [&d, change = std::move(change)] { ChangePlotWindows(d, change); };
    };
    auto key = [this](int id, const QString& text, QKeySequence seq, std::function<void()> run) {
        Define({id, text, {seq}, "", std::move(run), {}});
    };
    key(cmd::TimeEarlier, tr("Earlier"), QKeySequence(Qt::Key_Left),
        windows([](PlotSetup& ps) { StepTimeWindow(ps, false, false); }));
    key(cmd::TimeLater, tr("Later"), QKeySequence(Qt::Key_Right),
        windows([](PlotSetup& ps) { StepTimeWindow(ps, true, false); }));
    key(cmd::TimeWider, tr("Longer time span"), QKeySequence(Qt::CTRL | Qt::Key_Left),
        windows([](PlotSetup& ps) { StepTimeWindow(ps, false, true); }));
    key(cmd::TimeNarrower, tr("Shorter time span"), QKeySequence(Qt::CTRL | Qt::Key_Right),
        windows([](PlotSetup& ps) { StepTimeWindow(ps, true, true); }));
    key(cmd::TimeHome, tr("To the start"), QKeySequence(Qt::Key_Home),
        windows([](PlotSetup& ps) { TimeWindowToStart(ps); }));
    key(cmd::TimeEnd, tr("To the end"), QKeySequence(Qt::Key_End),
        windows([&d](PlotSetup& ps) { TimeWindowToEnd(ps, d.State().buffers[0].EndTime()); }));
    key(cmd::OptimalScaling, tr("Find optimal scaling"), QKeySequence(Qt::Key_Tab),
        [&v, &d] { RequestOptimalScaling(v, DisplayedSlots(d)); });
    key(cmd::AutoscaleAll, tr("Autoscale all"), QKeySequence(Qt::Key_A),
        [this, &v, &d] { ToggleAutoscaleAll(v, autoscaleAll_, DisplayedSlots(d)); });
    key(cmd::TrendDisplay, tr("Impedance trend"), QKeySequence(Qt::Key_Z), [&v, &d] {
        d.SetTrendDisplay(!d.Calculator().zTrendDisplay);
        v.zRescale = true;
    });
    auto stepFrequency = [&d](int step) {
        return [&d, step] { d.SelectTrendFrequency(d.Calculator().selectedFrequencyIndex + step); };
    };
    key(cmd::NextFrequency, tr("Next frequency"), QKeySequence(Qt::Key_F), stepFrequency(1));
    key(cmd::PreviousFrequency, tr("Previous frequency"), QKeySequence(Qt::SHIFT | Qt::Key_F),
        stepFrequency(-1));
}

void CMainFrame::DefineContextCommands() {
    CPelmorDoc& d = doc_;
    ViewState& v = view_->State();
    const PlotSetup& ps = d.Plots();
    // The scaling commands change the plot windows.
    auto windows = [&d](std::function<void(PlotSetup&)> change) {
        return [&d, change = std::move(change)] { ChangePlotWindows(d, change); };
    };
    auto item = [this](int id, const QString& text, std::function<void()> run,
                       std::function<bool()> enabled = {}, std::function<bool()> checked = {}) {
        Define({id, text, {}, "", std::move(run), std::move(enabled), std::move(checked)});
    };
    auto slotOk = [](int s) { return s >= 0 && s < 8; };
    // Signal Window
    item(
        cmd::SignalIntegrate, tr("Integrate"),
        [this, &v, slotOk] {
            if (slotOk(contextSignal_)) v.integrate[contextSignal_] = !v.integrate[contextSignal_];
        },
        {}, [this, &v, slotOk] { return slotOk(contextSignal_) && v.integrate[contextSignal_]; });
    item(cmd::SignalDefaultScaling, tr("Default scaling"),
         windows([this](PlotSetup& plots) { DefaultSignalScaling(plots, contextSignal_); }));
    item(
        cmd::SignalAutoscale, tr("Autoscale"),
        [this, &v, slotOk] {
            if (slotOk(contextSignal_))
                v.signalAutoscale[contextSignal_] = !v.signalAutoscale[contextSignal_];
        },
        {},
        [this, &v, slotOk] { return slotOk(contextSignal_) && v.signalAutoscale[contextSignal_]; });
    item(
        cmd::SlidingDisplay, tr("Sliding display mode"),
        [&v] { v.slidingDisplay = !v.slidingDisplay; }, {}, [&v] { return v.slidingDisplay; });
    item(
        cmd::SignalCopy, tr("Copy"),
        [this, &d, &v, &ps, slotOk] {
            if (!slotOk(contextSignal_)) return;
            const PlotWindow& w = ps.windows[kSignalWindow0 + contextSignal_];
            const std::string text = SignalTableText(
                d.State().buffers[contextSignal_], ps.windows[0].xmin, ps.windows[0].xmax,
                d.Setup().sampleRate, v.integrate[contextSignal_], w.ymin, w.ymax);
            CopyTextToClipboard(text, d.Services().shell);
        },
        [&d] { return d.State().buffers[0].Count() > 0; });
    // Z Window
    item(cmd::ZDefaultScaling, tr("Default scaling"), windows([&d](PlotSetup& plots) {
             DefaultImpedanceScaling(plots, d.Setup().measurementMode != 0);
         }));
    item(cmd::ZOptimalScaling, tr("Find optimal scaling"), [&v] { v.zRescale = true; });
    item(
        cmd::ZAutoscale, tr("Autoscale"), [&v] { v.zAutoscale = !v.zAutoscale; }, {},
        [&v] { return v.zAutoscale; });
    item(cmd::ZOptions, tr("Options"), [this, &d, &v] { EditZDisplay(this, d, v); });
    item(cmd::ZCopy, tr("Copy"), [&d] { d.HandOutImpedanceWindowData(false); });
    item(cmd::ZOpenInExcel, tr("Open in Spreadsheet"),
         [&d] { d.HandOutImpedanceWindowData(true); });
    // XY Window
    item(cmd::XYDefaultScaling, tr("Default scaling"), windows([](PlotSetup& plots) {
             PlotWindow& w = plots.windows[kXYWindow];
             w.xmin = w.ymin = -5;
             w.xmax = w.ymax = 5;
         }));
    item(cmd::XYOptimalScaling, tr("Find optimal scaling"), [&v] { v.xyRescale = true; });
    item(
        cmd::XYAutoscale, tr("Autoscale"), [&v] { v.xyAutoscale = !v.xyAutoscale; }, {},
        [&v] { return v.xyAutoscale; });
    item(cmd::XYOptions, tr("Options"), [this, &v] { EditXYDisplay(this, v); });
    item(
        cmd::XYCopy, tr("Copy"),
        [this, &d] {
            const DrawnView& drawn = view_->Drawn();
            CopyTextToClipboard(PointTableText(drawn.xyX.get(), drawn.xyY.get(), drawn.xyCount),
                                d.Services().shell);
        },
        [this] { return view_->Drawn().xyCount != 0; });
    // Spectrum window
    item(
        cmd::SpectrumDbScale, tr("dB scale"),
        [this, &v, slotOk] {
            if (!slotOk(contextSpectrum_)) return;
            v.dbScale[contextSpectrum_] = !v.dbScale[contextSpectrum_];
            v.spectrumRescale[contextSpectrum_] = true;
        },
        {}, [this, &v, slotOk] { return slotOk(contextSpectrum_) && v.dbScale[contextSpectrum_]; });
    item(cmd::SpectrumDefaultScaling, tr("Default scaling"), [this, &v, slotOk] {
        if (slotOk(contextSpectrum_)) v.spectrumRescale[contextSpectrum_] = true;
    });
    item(
        cmd::SpectrumAutoscale, tr("Autoscale"),
        [this, &v, slotOk] {
            if (slotOk(contextSpectrum_))
                v.spectrumAutoscale[contextSpectrum_] = !v.spectrumAutoscale[contextSpectrum_];
        },
        {},
        [this, &v, slotOk] {
            return slotOk(contextSpectrum_) && v.spectrumAutoscale[contextSpectrum_];
        });
    item(cmd::SpectrumCopy, tr("Copy"), [this, &d, &v, slotOk] {
        if (!slotOk(contextSpectrum_)) return;
        const SpectrumPoints& p = v.lastSpectrum[contextSpectrum_];
        CopyTextToClipboard(PointTableText(p.frequencies.data(), p.amplitudes.data(), p.count),
                            d.Services().shell);
    });
    // Z Store Window
    item(cmd::StoredDefaultScaling, tr("Default scaling"), windows([](PlotSetup& plots) {
             PlotWindow& w = plots.windows[kStoredImpedanceWindow];
             w.xmin = 0;
             w.xmax = 50;
             w.ymin = -10;
             w.ymax = 10;
         }));
    item(cmd::StoredOptimalScaling, tr("Find optimal scaling"), [&v] { v.storedRescale = true; });
    item(
        cmd::StoredAutoscale, tr("Autoscale"), [&v] { v.storedAutoscale = !v.storedAutoscale; }, {},
        [&v] { return v.storedAutoscale; });
}

QMenu* CMainFrame::MakeContextMenu(const ContextHit& hit) {
    QList<int> ids;
    QString title;
    switch (hit.window) {
        case ContextWindow::Signal:
            contextSignal_ = hit.index;
            title = QStringLiteral("Signal Window");
            ids = {cmd::SignalIntegrate,
                   0,
                   cmd::SignalDefaultScaling,
                   cmd::SignalAutoscale,
                   cmd::SlidingDisplay,
                   0,
                   cmd::SignalCopy};
            break;
        case ContextWindow::XY:
            title = QStringLiteral("XY Window");
            ids = {cmd::XYDefaultScaling,
                   cmd::XYOptimalScaling,
                   cmd::XYAutoscale,
                   0,
                   cmd::XYOptions,
                   0,
                   cmd::XYCopy};
            break;
        case ContextWindow::Impedance:
            title = QStringLiteral("Z Window");
            ids = {cmd::ZDefaultScaling, cmd::ZOptimalScaling, cmd::ZAutoscale, 0, cmd::ZOptions, 0,
                   cmd::ZCopy,           cmd::ZOpenInExcel};
            break;
        case ContextWindow::Stored:
            title = QStringLiteral("Z Store Window");
            ids = {cmd::StoredDefaultScaling,
                   cmd::StoredOptimalScaling,
                   cmd::StoredAutoscale,
                   0,
                   cmd::FullScreen,
                   0,
                   cmd::SelectNextStored,
                   cmd::SelectPreviousStored,
                   cmd::ToggleMarked,
                   cmd::DeleteStored,
                   0,
                   cmd::StoredCopy,
                   cmd::StoredOpenInExcel};
            break;
        case ContextWindow::Spectrum:
            contextSpectrum_ = hit.index;
            title = QStringLiteral("Spectrum window");
            ids = {cmd::SpectrumDbScale,   0, cmd::SpectrumDefaultScaling,
                   cmd::SpectrumAutoscale, 0, cmd::SpectrumCopy};
            break;
        case ContextWindow::None:
            return nullptr;
    }
    UpdateCommandUi();
    auto* menu = new QMenu(title, this);
    for (int id : ids) {
        if (id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* a = Action(id);
        menu->addAction(a);
    }
    return menu;
}

}  // namespace pelmor
