#include "report/QtSurface.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <utility>

namespace pelmor {

namespace {

QRect ToQRect(const SurfaceRect& r) {
    return QRect(std::min(r.left, r.right), std::min(r.top, r.bottom), std::abs(r.Width()),
                 std::abs(r.Height()));
}

// Drawn texts are UTF-8 (the watermark's dash, names read from files); bytes that are not UTF-8
// are taken as Latin-1, so older single-byte names still read well.
QString FromUtf8(std::string_view text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (!utf8.hasError()) return decoded;
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtSurface::QtSurface(QPainter& painter, bool printing) : painter_(painter), printing_(printing) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setBackgroundMode(Qt::TransparentMode);
    QRect bounds;
    if (painter_.hasClipping()) {
        bounds = painter_.clipBoundingRect().toAlignedRect();
    } else if (QPaintDevice* device = painter_.device()) {
        bounds = painter_.worldTransform().inverted().mapRect(
            QRect(0, 0, device->width(), device->height()));
    }
    clip_ = {bounds.left(), bounds.top(), bounds.left() + bounds.width(),
             bounds.top() + bounds.height()};
    // A printer's unit is a dot of 1/600 inch or less, and a one-dot line nearly vanishes on
    // paper: pens are widened so that width 1 is about 1/200 inch (0.13 mm) there.
    if (printing_) {
        if (QPaintDevice* device = painter_.device())
            penScale_ = std::max(1, (device->logicalDpiX() + 100) / 200);
    }
    ApplyPen();
    ApplyBrush();
}

QtSurface::~QtSurface() = default;

void QtSurface::ApplyPen() {
    QPen pen(ToQColor(pen_.color));
    pen.setWidth(std::max(1, pen_.width) * penScale_);
    switch (pen_.style) {
        case PenDash:
            pen.setStyle(Qt::DashLine);
            break;
        case PenDot:
            pen.setDashPattern({1.0, 2.0});
            break;
        default:
            pen.setStyle(Qt::SolidLine);
            break;
    }
    // Thin lines leave their end point undrawn; thick ones have round ends and joins.
    if (pen_.width > 1) {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    } else {
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
    }
    painter_.setPen(pen);
}

void QtSurface::ApplyBrush() {
    if (brush_.hollow) {
        painter_.setBrush(Qt::NoBrush);
    } else {
        painter_.setBrush(QBrush(ToQColor(brush_.color)));
    }
}

SurfacePen QtSurface::SelectPen(const SurfacePen& pen) {
    SurfacePen old = std::exchange(pen_, pen);
    if (!(old == pen)) ApplyPen();
    return old;
}

SurfaceBrush QtSurface::SelectBrush(const SurfaceBrush& brush) {
    SurfaceBrush old = std::exchange(brush_, brush);
    if (!(old == brush)) ApplyBrush();
    return old;
}

SurfaceFont QtSurface::SelectFont(const SurfaceFont& font) {
    SurfaceFont old = std::exchange(font_, font);
    if (old.height != font.height || old.weight != font.weight || old.italic != font.italic) {
        qfontValid_ = false;
    }
    return old;
}

const QFont& QtSurface::CurrentQFont() {
    if (qfontValid_) return qfont_;
    // The height asked for is the whole line (ascent and descent): shrink the em size until the
    // line fits, as a sans-serif of the requested height.
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setWeight(font_.weight >= 600 ? QFont::Bold : QFont::Normal);
    f.setItalic(font_.italic);
    const int height = std::max(1, font_.height);
    f.setPixelSize(height);
    const int lineHeight = QFontMetrics(f, painter_.device()).height();
    if (lineHeight > height) f.setPixelSize(std::max(1, height * height / lineHeight));
    qfont_ = f;
    qfontValid_ = true;
    return qfont_;
}

Color QtSurface::SetTextColor(Color color) { return std::exchange(textColor_, color); }
Color QtSurface::SetBackgroundColor(Color color) { return std::exchange(background_, color); }

void QtSurface::MoveTo(int32_t x, int32_t y) { position_ = QPoint(x, y); }

void QtSurface::LineTo(int32_t x, int32_t y) {
    const QPoint to(x, y);
    if (to != position_) painter_.drawLine(position_, to);
    position_ = to;
}

const QPoint* QtSurface::ToQPoints(const SurfacePoint* points, std::size_t count) {
    buffer_.resize(count);
    for (std::size_t i = 0; i < count; ++i) buffer_[i] = QPoint(points[i].x, points[i].y);
    return buffer_.data();
}

void QtSurface::Polyline(const SurfacePoint* points, std::size_t count) {
    if (count < 2) return;
    if (pen_.width > 1 || pen_.style != PenSolid) {
        painter_.drawPolyline(ToQPoints(points, count), static_cast<int>(count));
        return;
    }
    // Thin solid lines go as separate segments with both ends drawn: each segment's pixels then
    // depend on its two ends alone, so a trace reduced to its extremes per pixel column (see
    // ReducePixelColumns) covers exactly the pixels of the whole trace.
    lines_.resize(count - 1);
    for (std::size_t i = 1; i < count; ++i) {
        lines_[i - 1] = QLine(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
    }
    QPen pen = painter_.pen();
    pen.setCapStyle(Qt::SquareCap);
    painter_.setPen(pen);
    painter_.drawLines(lines_.data(), static_cast<int>(lines_.size()));
    pen.setCapStyle(Qt::FlatCap);
    painter_.setPen(pen);
}

void QtSurface::Rectangle(const SurfaceRect& rect) {
    const QRect r = ToQRect(rect);
    if (r.width() < 1 || r.height() < 1) return;
    // An outline one unit wide along the rectangle's inner edge, as the fill covers.
    painter_.drawRect(QRect(r.left(), r.top(), r.width() - 1, r.height() - 1));
}

void QtSurface::Ellipse(const SurfaceRect& rect) {
    const QRect r = ToQRect(rect);
    if (r.width() < 1 || r.height() < 1) return;
    painter_.drawEllipse(QRect(r.left(), r.top(), r.width() - 1, r.height() - 1));
}

void QtSurface::Polygon(const SurfacePoint* points, std::size_t count) {
    if (count < 2) return;
    painter_.drawPolygon(ToQPoints(points, count), static_cast<int>(count));
}

void QtSurface::FillSolid(const SurfaceRect& rect, Color color) {
    painter_.fillRect(ToQRect(rect), ToQColor(color));
}

bool QtSurface::CanInvert() const {
    // Printer and PDF engines may claim the raster operations and still not honour them.
    const QPaintEngine* engine = painter_.paintEngine();
    return !printing_ && engine != nullptr && engine->hasFeature(QPaintEngine::RasterOpModes);
}

void QtSurface::InvertRect(const SurfaceRect& rect) {
    if (!CanInvert()) return;
    painter_.save();
    painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter_.fillRect(ToQRect(rect), Qt::white);
    painter_.restore();
}

void QtSurface::TextOut(int32_t x, int32_t y, std::string_view text) {
    const QFont& f = CurrentQFont();
    painter_.save();
    painter_.setFont(f);
    painter_.setPen(ToQColor(textColor_));
    const int ascent = QFontMetrics(f, painter_.device()).ascent();
    if (font_.rotated) {
        painter_.translate(x, y);
        painter_.rotate(-90);
        painter_.drawText(0, ascent, FromUtf8(text));
    } else {
        painter_.drawText(x, y + ascent, FromUtf8(text));
    }
    painter_.restore();
}

void QtSurface::DrawTextInBox(const SurfaceRect& box, std::string_view text, TextAlign align,
                              bool multiLine) {
    int flags = align == TextAlign::Right    ? Qt::AlignRight
                : align == TextAlign::Center ? Qt::AlignHCenter
                                             : Qt::AlignLeft;
    flags |= multiLine ? Qt::AlignTop : (Qt::AlignVCenter | Qt::TextSingleLine);
    QString s = FromUtf8(text);
    if (multiLine) s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    painter_.save();
    painter_.setFont(CurrentQFont());
    painter_.setPen(ToQColor(textColor_));
    painter_.drawText(ToQRect(box), flags, s);
    painter_.restore();
}

SurfaceSize QtSurface::TextExtent(std::string_view text) {
    const QFontMetrics metrics(CurrentQFont(), painter_.device());
    return {metrics.horizontalAdvance(FromUtf8(text)), metrics.height()};
}

void QtSurface::SetClipRect(const SurfaceRect& rect) {
    clip_ = rect;
    painter_.setClipRect(ToQRect(rect), Qt::ReplaceClip);
}

}  // namespace pelmor
