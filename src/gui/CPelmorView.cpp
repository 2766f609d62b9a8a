#include "gui/CPelmorView.h"

#include <QContextMenuEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <QWheelEvent>
#include <algorithm>

#include "display/DrawAll.h"
#include "display/InvertBand.h"
#include "report/QtSurface.h"
#include "report/RenderView.h"

namespace pelmor {

uint32_t ViewModifiersOf(Qt::KeyboardModifiers modifiers) {
    uint32_t flags = kModNone;
    if (modifiers & Qt::ShiftModifier) flags |= kModShift;
    if (modifiers & Qt::ControlModifier) flags |= kModCtrl;
    return flags;
}

CPelmorView::CPelmorView(CPelmorDoc& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);
    doc_.SetView(&view_);
}

CPelmorView::~CPelmorView() {
    if (doc_.View() == &view_) doc_.SetView(nullptr);
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

void CPelmorView::Refresh() {
    UpdateView(doc_, view_, storedResults ? storedResults() : StoredResultsView{});
    update();
}

void CPelmorView::Tick() {
    StatusTexts texts;
    const bool redraw = doc_.OnTimerTick(view_, texts);
    emit Ticked(texts);
    if (redraw) Refresh();
}

void CPelmorView::paintEvent(QPaintEvent*) {
    // The whole frame is drawn off screen and copied in one block: never a half-drawn frame.
    const StoredResultsView stored = storedResults ? storedResults() : StoredResultsView{};
    // One back buffer for the life of the view, replaced only when the size changes.
    const QSize size(std::max(width(), 1), std::max(height(), 1));
    if (backBuffer_.size() != size) backBuffer_ = QImage(size, QImage::Format_RGB32);
    QImage& picture = backBuffer_;
    RenderViewInto(picture, doc_, view_, &stored, &drawn_);
    if (!ViewHasContent(doc_, stored) && !doc_.MeasurementRunning()) {
        // Nothing to plot yet: say how to get something, rather than show an empty window.
        QPainter hint(&picture);
        hint.setPen(QColor(0x80, 0x80, 0x80));
        hint.drawText(picture.rect(), Qt::AlignCenter,
                      tr("No data yet.\n\nStart a measurement with Space or the Start button,\n"
                         "or open a recording with File > Import data."));
    }
    if (selecting_) {
        // The band of the time span being selected, over the fresh picture.
        QPainter bandPainter(&picture);
        QtSurface surface(bandPainter);
        InvertBand(surface, SurfaceRect{0, 0, width(), height()}, view_.selectionStartX,
                   view_.selectionX);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
}

void CPelmorView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    const bool measuring = doc_.MeasurementRunning();
    const uint32_t modifiers = ViewModifiersOf(event->modifiers());
    const PressResult r = ChangePlotWindows(doc_, [&](PlotSetup& plots) {
        return LeftButtonDown(plots, view_, measuring, p.x(), p.y(), modifiers);
    });
    switch (r.effect) {
        case PressEffect::OpenHelp:
            if (openHelp) openHelp(r.helpFragment);
            break;
        case PressEffect::StartSelection:
            selecting_ = true;
            grabMouse();
            Refresh();
            break;
        case PressEffect::Repaint:
        case PressEffect::Zoomed:
            Refresh();
            break;
        case PressEffect::None:
            break;
    }
}

void CPelmorView::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_) return;
    const QPoint p = event->position().toPoint();
    if (MoveSelection(doc_.Plots(), view_, p.x(), p.y())) update();
}

void CPelmorView::mouseReleaseEvent(QMouseEvent* event) {
    if (!selecting_ || event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    selecting_ = false;
    releaseMouse();
    EndSelection(view_, p.x(), p.y());
    Refresh();
}

void CPelmorView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    ChangePlotWindows(doc_, [this](PlotSetup& plots) { ShowWholeBuffers(plots, doc_.State()); });
    Refresh();
}

void CPelmorView::wheelEvent(QWheelEvent* event) {
    const QPoint p = event->position().toPoint();
    const int delta = event->angleDelta().y();
    if (delta == 0) return;
    const uint32_t modifiers = ViewModifiersOf(event->modifiers());
    if (ChangePlotWindows(doc_, [&](PlotSetup& plots) {
            return ZoomOrPan(plots, p.x(), p.y(), delta, modifiers);
        }))
        Refresh();
    event->accept();
}

void CPelmorView::contextMenuEvent(QContextMenuEvent* event) {
    const ContextHit hit = ContextWindowAt(doc_.Plots(), event->pos().x(), event->pos().y());
    if (hit.window == ContextWindow::None || !contextMenu) return;
    contextMenu(hit, event->globalPos());
    Refresh();
}

}  // namespace pelmor
