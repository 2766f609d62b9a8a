#include "gui/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>
#include <map>

namespace pelmor {

namespace {

using Draw = std::function<void(QPainter&)>;

QPen Pen(const char* color, double width = 1.0) {
    QPen pen{QColor(color), width};
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

void Page(QPainter& p) {
    p.setPen(Pen("#555"));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF{{3, 1.5}, {10, 1.5}, {13, 4.5}, {13, 14.5}, {3, 14.5}});
}

void Arrow(QPainter& p, QPointF from, QPointF to, const char* color) {
    p.setPen(Pen(color, 2));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot((to - from).x(), (to - from).y());
    const QPointF n(-d.y(), d.x());
    p.drawLine(to, to - 3 * d + 3 * n);
    p.drawLine(to, to - 3 * d - 3 * n);
}

void Chevron(QPainter& p, QPolygonF points) {
    p.setPen(Pen("#1d3c66", 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(points);
}

void Axes(QPainter& p) {
    p.setPen(Pen("#333"));
    p.drawPolyline(QPolygonF{{1.5, 1}, {1.5, 14.5}, {15, 14.5}});
}

void Wave(QPainter& p, double y, double amplitude, const char* color, double width) {
    QPainterPath path({1, y});
    for (double x = 1; x <= 15; x += 0.5)
        path.lineTo(x, y - amplitude * std::sin((x - 1) / 14 * 2 * 3.14159265 * 1.5));
    p.setPen(Pen(color, width));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

const std::map<QString, Draw>& Pictures() {
    static const std::map<QString, Draw> pictures = {
        {"document-new", [](QPainter& p) { Page(p); }},
        {"document-open",
         [](QPainter& p) {
             p.setPen(Pen("#7a5c10"));
             p.setBrush(QColor("#e8c15a"));
             p.drawPolygon(
                 QPolygonF{{1, 3.5}, {6, 3.5}, {7, 4.5}, {14, 4.5}, {14, 13.5}, {1, 13.5}});
             p.setBrush(QColor("#f4d67a"));
             p.drawPolygon(QPolygonF{{1, 13.5}, {3, 7.5}, {15, 7.5}, {13, 13.5}});
         }},
        {"document-save",
         [](QPainter& p) {
             p.setPen(Pen("#1d3c66"));
             p.setBrush(QColor("#3b6fb6"));
             p.drawRect(QRectF(1.5, 1.5, 13, 13));
             p.fillRect(QRectF(4, 2, 8, 5), Qt::white);
             p.fillRect(QRectF(4, 10, 8, 4), QColor("#cfd8e6"));
         }},
        {"document-import",
         [](QPainter& p) {
             Page(p);
             Arrow(p, {8, 4}, {8, 12}, "#1a7f37");
         }},
        {"document-export",
         [](QPainter& p) {
             Page(p);
             Arrow(p, {8, 12.5}, {8, 4.5}, "#b35c00");
         }},
        {"media-playback-start",
         [](QPainter& p) {
             p.setPen(Pen("#0b5a1f"));
             p.setBrush(QColor("#1a9c3a"));
             p.drawPolygon(QPolygonF{{4, 2}, {14, 8}, {4, 14}});
         }},
        {"media-seek-forward",
         [](QPainter& p) {
             p.setPen(Pen("#0b5a1f"));
             p.setBrush(QColor("#1a9c3a"));
             p.drawPolygon(QPolygonF{{1, 3}, {8, 8}, {1, 13}});
             p.drawPolygon(QPolygonF{{8, 3}, {15, 8}, {8, 13}});
         }},
        {"media-playback-stop",
         [](QPainter& p) {
             p.setPen(Pen("#7f1010"));
             p.setBrush(QColor("#c62828"));
             p.drawRect(QRectF(3, 3, 10, 10));
         }},
        {"media-record",
         [](QPainter& p) {
             p.setPen(Pen("#7f1010"));
             p.setBrush(QColor("#e02020"));
             p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
         }},
        {"preferences-system",
         [](QPainter& p) {
             QPen pen = Pen("#444", 3);
             pen.setDashPattern({0.8, 0.4});
             p.setPen(pen);
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(8, 8), 4.5, 4.5);
             p.setPen(Qt::NoPen);
             p.setBrush(QColor("#888"));
             p.drawEllipse(QPointF(8, 8), 2, 2);
         }},
        {"insert-object",
         [](QPainter& p) {
             Wave(p, 7, 4, "#6a1b9a", 1.6);
             p.setPen(Pen("#1a7f37", 1.8));
             p.drawLine(QPointF(12, 10), QPointF(12, 15));
             p.drawLine(QPointF(9.5, 12.5), QPointF(14.5, 12.5));
         }},
        {"go-previous",
         [](QPainter& p) {
             Chevron(p, {{10, 2}, {4, 8}, {10, 14}});
         }},
        {"go-next",
         [](QPainter& p) {
             Chevron(p, {{6, 2}, {12, 8}, {6, 14}});
         }},
        {"go-up",
         [](QPainter& p) {
             Chevron(p, {{2, 11}, {8, 5}, {14, 11}});
         }},
        {"go-down",
         [](QPainter& p) {
             Chevron(p, {{2, 5}, {8, 11}, {14, 5}});
         }},
        {"pelmor-xy",
         [](QPainter& p) {
             Axes(p);
             p.setPen(Pen("#c62828", 1.5));
             p.setBrush(Qt::NoBrush);
             p.translate(8.5, 7.5);
             p.rotate(-30);
             p.drawEllipse(QPointF(0, 0), 5, 3);
         }},
        {"pelmor-impedance",
         [](QPainter& p) {
             Axes(p);
             p.setPen(Pen("#c80000", 1.6));
             p.drawLine(QPointF(2.5, 4), QPointF(14.5, 6));
             p.setPen(Pen("#0000c8", 1.6));
             p.drawLine(QPointF(2.5, 13), QPointF(14.5, 7.5));
         }},
        {"pelmor-spectrum",
         [](QPainter& p) {
             p.setPen(Pen("#333"));
             p.drawLine(QPointF(1, 14.5), QPointF(15, 14.5));
             p.setPen(Pen("#2e7d32", 2));
             const double heights[] = {10, 6, 13, 4};
             for (int i = 0; i < 4; ++i)
                 p.drawLine(QPointF(3 + 3 * i, 14), QPointF(3 + 3 * i, 14 - heights[i]));
         }},
        {"view-restore",
         [](QPainter& p) {
             p.setPen(Pen("#333"));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(1.5, 1.5, 13, 13));
             p.setPen(Pen("#1d3c66", 1.2));
             p.drawLine(QPointF(4, 8), QPointF(12, 8));
             p.drawLine(QPointF(8, 4), QPointF(8, 12));
             p.drawPolyline(QPolygonF{{6, 6}, {4, 8}, {6, 10}});
             p.drawPolyline(QPolygonF{{10, 6}, {12, 8}, {10, 10}});
             p.drawPolyline(QPolygonF{{6, 6}, {8, 4}, {10, 6}});
             p.drawPolyline(QPolygonF{{6, 10}, {8, 12}, {10, 10}});
         }},
        {"pelmor-time-window",
         [](QPainter& p) {
             Wave(p, 9, 3, "#555", 1);
             p.setPen(Pen("#1d3c66"));
             p.setBrush(QColor(59, 111, 182, 90));
             p.drawRect(QRectF(4.5, 2.5, 7, 11));
         }},
        {"pelmor-stored",
         [](QPainter& p) {
             p.setPen(Pen("#333"));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(1.5, 2.5, 13, 11));
             p.setPen(Pen("#999"));
             p.drawLine(QPointF(3, 8), QPointF(13, 8));
             p.drawLine(QPointF(3, 11), QPointF(13, 11));
             p.setPen(Pen("#c80000", 2));
             p.drawLine(QPointF(3, 5), QPointF(13, 5));
         }},
        {"list-add",
         [](QPainter& p) {
             p.setPen(Pen("#1a7f37"));
             p.setBrush(QColor("#e8f5e9"));
             p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2, 2);
             p.setPen(Pen("#1a7f37", 2.2));
             p.drawLine(QPointF(8, 4), QPointF(8, 12));
             p.drawLine(QPointF(4, 8), QPointF(12, 8));
         }},
        {"emblem-important",
         [](QPainter& p) {
             p.setPen(Pen("#8d6e00"));
             p.setBrush(QColor("#f9a825"));
             QPolygonF star;
             for (int i = 0; i < 10; ++i) {
                 const double r = i % 2 ? 3 : 7;
                 const double a = -3.14159265 / 2 + i * 3.14159265 / 5;
                 star << QPointF(8 + r * std::cos(a), 8.5 + r * std::sin(a));
             }
             p.drawPolygon(star);
         }},
        {"edit-delete",
         [](QPainter& p) {
             p.setPen(Pen("#c62828", 2.6));
             p.drawLine(QPointF(3, 3), QPointF(13, 13));
             p.drawLine(QPointF(13, 3), QPointF(3, 13));
         }},
        {"view-fullscreen",
         [](QPainter& p) {
             p.setPen(Pen("#333"));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(1.5, 1.5, 13, 13));
             p.setPen(Pen("#1d3c66", 1.6));
             p.drawPolyline(QPolygonF{{3.5, 7}, {3.5, 3.5}, {7, 3.5}});
             p.drawPolyline(QPolygonF{{9, 3.5}, {12.5, 3.5}, {12.5, 7}});
             p.drawPolyline(QPolygonF{{12.5, 9}, {12.5, 12.5}, {9, 12.5}});
             p.drawPolyline(QPolygonF{{7, 12.5}, {3.5, 12.5}, {3.5, 9}});
         }},
        {"edit-copy",
         [](QPainter& p) {
             p.setPen(Pen("#444"));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(1.5, 1.5, 9, 10));
             p.drawRect(QRectF(5.5, 4.5, 9, 10));
             p.setPen(Pen("#888"));
             for (int y = 7; y <= 11; y += 2) p.drawLine(QPointF(7, y), QPointF(13, y));
         }},
        {"x-office-spreadsheet",
         [](QPainter& p) {
             p.setPen(Pen("#1a7f37"));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(1.5, 1.5, 13, 13));
             p.fillRect(QRectF(2, 2, 12, 3.5), QColor(26, 127, 55, 120));
             p.drawLine(QPointF(1.5, 5.5), QPointF(14.5, 5.5));
             p.drawLine(QPointF(1.5, 9.5), QPointF(14.5, 9.5));
             p.drawLine(QPointF(5.5, 1.5), QPointF(5.5, 14.5));
             p.drawLine(QPointF(10, 1.5), QPointF(10, 14.5));
         }},
        {"pelmor-black-background",
         [](QPainter& p) {
             p.setPen(Pen("#555"));
             p.setBrush(Qt::black);
             p.drawRect(QRectF(1.5, 1.5, 13, 13));
             Wave(p, 8, 3.5, "#c0c0c0", 1.5);
         }},
        {"document-print",
         [](QPainter& p) {
             p.setPen(Pen("#444"));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(4, 1.5, 8, 5));
             p.setBrush(QColor("#9e9e9e"));
             p.drawRect(QRectF(1.5, 6.5, 13, 6));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(4, 10.5, 8, 4));
         }},
        {"document-print-preview",
         [](QPainter& p) {
             Page(p);
             p.setPen(Pen("#1d3c66", 1.4));
             p.setBrush(QColor("#e3f2fd"));
             p.drawEllipse(QPointF(8.5, 8.5), 3, 3);
             p.setPen(Pen("#1d3c66", 2));
             p.drawLine(QPointF(10.7, 10.7), QPointF(14.5, 14.5));
         }},
        {"help-about",
         [](QPainter& p) {
             p.setPen(Pen("#0d3270"));
             p.setBrush(QColor("#1d5fbf"));
             p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
             p.setPen(Pen("#fff", 2));
             p.drawLine(QPointF(8, 7), QPointF(8, 12));
             p.setPen(Qt::NoPen);
             p.setBrush(Qt::white);
             p.drawEllipse(QPointF(8, 4.5), 1.2, 1.2);
         }},
    };
    return pictures;
}

}  // namespace

QIcon ProgramIcon(const QString& name) {
    const auto& pictures = Pictures();
    const auto it = pictures.find(name);
    if (it == pictures.end()) return {};
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(16 * scale, 16 * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale, scale);
        it->second(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace pelmor

namespace pelmor {

QIcon ApplicationIcon() {
    // The same picture as the installed pelmor.svg: a flat red resistance and a blue reactance
    // rising through zero, on a rounded card (drawn on a 64-unit grid).
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        p.setPen(QPen(QColor(0x33, 0x44, 0x55), 3));
        p.setBrush(QColor(0xf4, 0xf7, 0xfb));
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x99, 0xaa, 0xaa), 1.5));
        p.drawLine(QPointF(8, 34), QPointF(56, 34));
        p.setPen(QPen(QColor(0xdd, 0x22, 0x22), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF resistance[] = {{8, 20}, {20, 21}, {32, 21.5}, {44, 22}, {56, 22}};
        p.drawPolyline(resistance, 5);
        QPainterPath reactance(QPointF(8, 56));
        reactance.cubicTo(QPointF(16, 46), QPointF(22, 38), QPointF(30, 34));
        reactance.cubicTo(QPointF(38, 30), QPointF(46, 26), QPointF(56, 18));
        p.setPen(QPen(QColor(0x22, 0x33, 0xcc), 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(reactance);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace pelmor
