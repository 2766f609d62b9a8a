#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QWidget>
#include <functional>
#include <string>
#include <type_traits>

#include "display/ViewInteraction.h"
#include "display/ViewState.h"
#include "document/CPelmorDoc.h"

namespace pelmor {

// The one view: a thin widget that owns the 100 ms update timer, turns Qt events into calls of
// the display layer and paints through the Qt surface.
class CPelmorView : public QWidget {
    Q_OBJECT
  public:
    explicit CPelmorView(CPelmorDoc& doc, QWidget* parent = nullptr);
    ~CPelmorView() override;

    ViewState& State() { return view_; }
    // What the last repaint settled (the XY points the Copy command hands out).
    const DrawnView& Drawn() const { return drawn_; }
    // What the view shows changed: brings the document's analysis and the view up to date
    // (UpdateView), then repaints.
    void Refresh();
    // The picture of the last repaint.
    const QImage& BackBuffer() const { return backBuffer_; }
    // Runs one timer tick now (tests).
    void Tick();
    // What the stored impedance window shows (filled by the frame from the collection).
    std::function<StoredResultsView()> storedResults;
    // The context menu of a window at a global position (set by the frame).
    std::function<void(const ContextHit& hit, const QPoint& global)> contextMenu;
    // Opens the help page at a fragment (set by the frame).
    std::function<void(const std::string& fragment)> openHelp;

  signals:
    void Ticked(const StatusTexts& texts);

  protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    CPelmorDoc& doc_;
    QBasicTimer timer_;
    ViewState view_;
    DrawnView drawn_;
    QImage backBuffer_;
    bool selecting_ = false;
};

// Runs a display function that changes the plot windows (zoom, pan, the selection, the time
// keys, the scaling commands) on a copy of the document's plot setup, then hands the windows
// back to the document.
template <class Change>
auto ChangePlotWindows(CPelmorDoc& doc, Change&& change) {
    PlotSetup plots = doc.Plots();
    if constexpr (std::is_void_v<std::invoke_result_t<Change&, PlotSetup&>>) {
        change(plots);
        doc.SetPlotWindows(plots.windows);
    } else {
        auto result = change(plots);
        doc.SetPlotWindows(plots.windows);
        return result;
    }
}

// The view's modifier flags of a Qt event's modifiers.
uint32_t ViewModifiersOf(Qt::KeyboardModifiers modifiers);

}  // namespace pelmor
