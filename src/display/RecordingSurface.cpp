#include "display/RecordingSurface.h"

#include <utility>

#include "core/TextEncoding.h"

namespace pelmor {

RecordingSurface::RecordingSurface(SurfaceRect bounds, bool printing)
    : bounds_(bounds), clip_(bounds), printing_(printing) {}

SurfaceCall RecordingSurface::Make(SurfaceOp op) const {
    SurfaceCall c;
    c.op = op;
    c.pen = pen;
    c.brush = brush;
    c.font = font;
    c.color = textColor;
    return c;
}

SurfacePen RecordingSurface::SelectPen(const SurfacePen& p) { return std::exchange(pen, p); }
SurfaceBrush RecordingSurface::SelectBrush(const SurfaceBrush& b) {
    return std::exchange(brush, b);
}
SurfaceFont RecordingSurface::SelectFont(const SurfaceFont& f) { return std::exchange(font, f); }
Color RecordingSurface::SetTextColor(Color c) { return std::exchange(textColor, c); }
Color RecordingSurface::SetBackgroundColor(Color c) { return std::exchange(background_, c); }

void RecordingSurface::MoveTo(int32_t x, int32_t y) { position = {x, y}; }

void RecordingSurface::LineTo(int32_t x, int32_t y) {
    SurfaceCall c = Make(SurfaceOp::Line);
    c.points = {position, {x, y}};
    calls.push_back(std::move(c));
    position = {x, y};
}

void RecordingSurface::Polyline(const SurfacePoint* points, std::size_t count) {
    SurfaceCall c = Make(SurfaceOp::Polyline);
    c.points.assign(points, points + count);
    calls.push_back(std::move(c));
}

void RecordingSurface::Rectangle(const SurfaceRect& rect) {
    SurfaceCall c = Make(SurfaceOp::Rectangle);
    c.rect = rect;
    calls.push_back(std::move(c));
}

void RecordingSurface::Ellipse(const SurfaceRect& rect) {
    SurfaceCall c = Make(SurfaceOp::Ellipse);
    c.rect = rect;
    calls.push_back(std::move(c));
}

void RecordingSurface::Polygon(const SurfacePoint* points, std::size_t count) {
    SurfaceCall c = Make(SurfaceOp::Polygon);
    c.points.assign(points, points + count);
    calls.push_back(std::move(c));
}

void RecordingSurface::FillSolid(const SurfaceRect& rect, Color color) {
    SurfaceCall c = Make(SurfaceOp::FillSolid);
    c.rect = rect;
    c.color = color;
    calls.push_back(std::move(c));
}

void RecordingSurface::InvertRect(const SurfaceRect& rect) {
    SurfaceCall c = Make(SurfaceOp::InvertRect);
    c.rect = rect;
    calls.push_back(std::move(c));
}

void RecordingSurface::TextOut(int32_t x, int32_t y, std::string_view text) {
    SurfaceCall c = Make(SurfaceOp::TextOut);
    c.points = {{x, y}};
    c.text = text;
    calls.push_back(std::move(c));
}

void RecordingSurface::DrawTextInBox(const SurfaceRect& box, std::string_view text, TextAlign align,
                                     bool multiLine) {
    SurfaceCall c = Make(SurfaceOp::TextInBox);
    c.rect = box;
    c.text = text;
    c.align = align;
    c.multiLine = multiLine;
    calls.push_back(std::move(c));
}

SurfaceSize RecordingSurface::TextExtent(std::string_view text) {
    return {static_cast<int32_t>(Utf8Length(text)) * CharWidth(font.height), font.height};
}

void RecordingSurface::SetClipRect(const SurfaceRect& rect) {
    clip_ = IntersectRects(bounds_, rect);
    SurfaceCall c = Make(SurfaceOp::SetClip);
    c.rect = clip_;
    calls.push_back(std::move(c));
}

void RecordingSurface::SunkenEdge(const SurfaceRect& rect) {
    SurfaceCall c = Make(SurfaceOp::SunkenEdge);
    c.rect = rect;
    calls.push_back(std::move(c));
}

void RecordingSurface::DrawIcon(SurfaceIcon icon, int32_t x, int32_t y, Color color) {
    SurfaceCall c = Make(SurfaceOp::Icon);
    c.points = {{x, y}};
    c.icon = icon;
    c.color = color;
    calls.push_back(std::move(c));
}

std::vector<SurfaceCall> RecordingSurface::Calls(SurfaceOp op) const {
    std::vector<SurfaceCall> out;
    for (const SurfaceCall& c : calls) {
        if (c.op == op) out.push_back(c);
    }
    return out;
}

std::vector<std::string> RecordingSurface::Texts() const {
    std::vector<std::string> out;
    for (const SurfaceCall& c : calls) {
        if (c.op == SurfaceOp::TextOut) out.push_back(c.text);
    }
    return out;
}

}  // namespace pelmor
