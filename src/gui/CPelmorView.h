#pragma once

#include <QBasicTimer>
#include <QWidget>
#include <functional>

#include "display/ViewState.h"
#include "document/CPelmorDoc.h"

namespace pelmor {

// The one view: a thin widget that owns the 100 ms update timer, turns Qt events into calls of
// the display layer and paints through the Qt surface.
class CPelmorView : public QWidget {
    Q_OBJECT
  public:
    explicit CPelmorView(CPelmorDoc& doc, QWidget* parent = nullptr);

    ViewState& State() { return view_; }
    // Runs one timer tick now (tests).
    void Tick();
    // What the stored impedance window shows (filled by the frame from the collection).
    std::function<StoredResultsView()> storedResults;

  signals:
    void Ticked(const StatusTexts& texts);

  protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    CPelmorDoc& doc_;
    QBasicTimer timer_;
    ViewState view_;
};

}  // namespace pelmor
