#pragma once

#include <QBasicTimer>
#include <QWidget>
#include <functional>

#include "document/CPelmorDoc.h"

namespace pelmor {

// The one view: a thin widget that owns the 100 ms update timer, turns Qt events into calls of
// the display layer and paints through the Qt surface.
class CPelmorView : public QWidget {
    Q_OBJECT
  public:
    explicit CPelmorView(CPelmorDoc& doc, QWidget* parent = nullptr);

    ViewTickFlags& TickFlags() { return flags_; }
    // Runs one timer tick now (tests).
    void Tick();
    // Draws the whole view into painter's device (the screen's back buffer or a printer).
    std::function<void(QPainter&, const QRect&, bool printing)> drawAll;

  signals:
    void Ticked(const StatusTexts& texts);

  protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    CPelmorDoc& doc_;
    QBasicTimer timer_;
    ViewTickFlags flags_;
};

}  // namespace pelmor
