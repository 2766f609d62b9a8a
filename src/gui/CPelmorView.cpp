#include "gui/CPelmorView.h"

#include <QMessageBox>
#include <QPainter>
#include <QTimerEvent>

#include "gui/RenderView.h"

namespace pelmor {

CPelmorView::CPelmorView(CPelmorDoc& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);
}

void CPelmorView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!timer_.isActive()) {
        timer_.start(100, this);
        if (!timer_.isActive())
            QMessageBox::warning(this, tr("Pelmor"), tr("Can't start update timer"));
    }
}

void CPelmorView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    Tick();
}

void CPelmorView::Tick() {
    StatusTexts texts;
    const bool redraw = doc_.OnTimerTick(view_, texts);
    emit Ticked(texts);
    if (redraw) update();
}

void CPelmorView::paintEvent(QPaintEvent*) {
    // The whole frame is drawn off screen and copied in one block: never a half-drawn frame.
    const StoredResultsView stored = storedResults ? storedResults() : StoredResultsView{};
    const QImage picture = RenderViewToImage(doc_, view_, width(), height(), &stored);
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
}

}  // namespace pelmor
