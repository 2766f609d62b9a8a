#include "display/CPlotGraph.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/NumberFormat.h"

namespace pelmor {

namespace {

// Pixels further out than this are pulled in: far outside every picture, yet their lines keep
// their direction over any visible part, and every surface's coordinates stay exact.
constexpr double kPixelLimit = 67108864.0;  // 2^26
// Values beyond this are treated as this, so that a range's span stays finite.
constexpr double kValueLimit = 1e300;
constexpr double kSmallestSpan = 1e-250;
// Loops laying out ticks never run longer than this.
constexpr int kMaxTickSteps = 1000;
constexpr double kRepeatTolerance = 1e-200;

int32_t Round(double v) { return static_cast<int32_t>(v + 0.5); }

int32_t PixelOf(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int32_t>(std::clamp(v, -kPixelLimit, kPixelLimit));
}

// The same for a value known not to be NaN (it may be infinite).
inline int32_t PixelOfFinite(double v) {
    return static_cast<int32_t>(v < -kPixelLimit  ? -kPixelLimit
                                : v > kPixelLimit ? kPixelLimit
                                                  : v);
}

// Calls fn(x, y) for every point of a curve in order; arrays of doubles are read directly,
// every other layout through the curve's reader.
template <typename Fn>
void ForEachPoint(const PlotCurve& c, Fn&& fn) {
    const bool plainY = c.yValues != nullptr && c.yStride == 1 && c.yTransform == nullptr &&
                        (c.yType == PlotFloat64 || c.yType == PlotFloat64Alt);
    const bool plainX = c.xTransform == nullptr &&
                        (c.IsUniform() || (c.xValues != nullptr && c.xStride == 1 &&
                                           (c.xType == PlotFloat64 || c.xType == PlotFloat64Alt)));
    if (!plainX || !plainY) {
        for (int32_t i = 0; i < c.count; ++i) fn(c.X(i), c.Y(i));
        return;
    }
    const auto* ys = static_cast<const double*>(c.yValues);
    if (c.IsUniform()) {
        const double start = c.xStart, step = c.xStep * c.xStride;
        for (int32_t i = 0; i < c.count; ++i) fn(start + step * static_cast<double>(i), ys[i]);
    } else {
        const auto* xs = static_cast<const double*>(c.xValues);
        for (int32_t i = 0; i < c.count; ++i) fn(xs[i], ys[i]);
    }
}

}  // namespace

void WidenEmptyRange(double& min, double& max) {
    if (!std::isfinite(min) && !std::isfinite(max)) min = max = 0;
    if (!std::isfinite(min)) min = max;
    if (!std::isfinite(max)) max = min;
    min = std::clamp(min, -kValueLimit, kValueLimit);
    max = std::clamp(max, -kValueLimit, kValueLimit);
    if (min > max) std::swap(min, max);
    // A span below a millionth of a millionth of the values leaves no room for distinct ticks;
    // one below 1e-250 would make the pixels per value unit overflow.
    const double magnitude = std::max(std::fabs(min), std::fabs(max));
    if (max - min > magnitude * 1e-12 && max - min > kSmallestSpan) return;
    const double v = (min + max) / 2;
    if (v > 1e-100) {
        min = 0.9 * v;
        max = 1.1 * v;
    } else if (v < -1e-100) {
        min = 1.1 * v;
        max = 0.9 * v;
    } else {
        min = -1;
        max = 1;
    }
}

AxisTicks ComputeAxisTicks(double min, double max, bool extendToTicks) {
    constexpr int n = 3;
    AxisTicks t;
    const double span = max - min;
    const double base = std::pow(10.0, std::floor(std::log10(span / n)));
    double step = base;
    if (span / base > 5 * n) {
        step = 5 * base;
    } else if (span / base > 2 * n) {
        step = 2 * base;
    }
    double first = std::floor(min / step + 2) * step;
    for (int i = 0; i < kMaxTickSteps && std::fabs(min - first) > step / 1.9; ++i) first -= step;
    double last = first;
    for (int i = 0; i < kMaxTickSteps && std::fabs(max - last) > step / 1.9; ++i) last += step;
    if (extendToTicks) {
        if (first < min) min = first;
        if (last > max) max = last;
    } else {
        if (first < min) first += step;
        if (last > max) last -= step;
    }
    t.min = min;
    t.max = max;
    t.first = first;
    t.last = last;
    t.step = step;
    double v = first;
    for (int i = 0; i < kMaxTickSteps && v < last + step / 3; ++i, v += step) {
        t.values.push_back(v);
    }
    return t;
}

CPlotGraph::CPlotGraph(Surface& surface, const SurfaceRect& outer)
    : surface_(surface), outer_(outer) {}

void CPlotGraph::SetTitles(std::string xTitle, std::string yTitle) {
    xTitle_ = std::move(xTitle);
    yTitle_ = std::move(yTitle);
}

void CPlotGraph::SetColors(Color foreground, Color background) {
    foreground_ = foreground;
    background_ = background;
}

void CPlotGraph::SetScale(double s) {
    if (s > 0.5 && s < 500) baseScale_ = s;
}

void CPlotGraph::SetRange(double x1, double x2, double y1, double y2) {
    range_.xmin = std::min(x1, x2);
    range_.xmax = std::max(x1, x2);
    range_.ymin = std::min(y1, y2);
    range_.ymax = std::max(y1, y2);
    const bool finite =
        std::isfinite(x1) && std::isfinite(x2) && std::isfinite(y1) && std::isfinite(y2);
    if (finite && range_.xmin < range_.xmax && range_.ymin < range_.ymax) fixedRange_ = 1;
}

void CPlotGraph::AddCurve(int32_t count, const void* xValues, const void* yValues, uint32_t flags,
                          Color color, int32_t xType, int32_t yType, int32_t xStride,
                          int32_t yStride, PlotValueTransform xTransform,
                          PlotValueTransform yTransform) {
    if (curveCount_ >= kMaxCurves) return;
    PlotCurve& c = curves_[curveCount_++];
    c = PlotCurve{};
    c.count = std::max(count, 0);
    c.xValues = xValues;
    c.yValues = yValues;
    c.flags = flags;
    c.color = color;
    c.penWidth = (flags & PlotThick) ? 3 : 1;
    c.xType = xType;
    c.yType = yType;
    c.xStride = xStride;
    c.yStride = yStride;
    c.xTransform = xTransform;
    c.yTransform = yTransform;
    fixedRange_ = 0;
    drawn_ = 0;
}

void CPlotGraph::AddUniformCurve(int32_t count, double xStart, double xStep, const void* yValues,
                                 uint32_t flags, Color color, int32_t yType, int32_t xStride,
                                 int32_t yStride, PlotValueTransform xTransform,
                                 PlotValueTransform yTransform) {
    if (curveCount_ >= kMaxCurves) return;
    AddCurve(count, nullptr, yValues, flags, color, PlotIndex, yType, xStride, yStride, xTransform,
             yTransform);
    PlotCurve& c = curves_[curveCount_ - 1];
    c.xStart = xStart;
    c.xStep = xStep;
    c.penWidth = 1;
}

void CPlotGraph::Autoscale() {
    bool haveX = false, haveY = false, bars = false;
    PlotRange r;
    auto takeX = [&](double x) {
        if (!std::isfinite(x)) return;
        r.xmin = haveX ? std::min(r.xmin, x) : x;
        r.xmax = haveX ? std::max(r.xmax, x) : x;
        haveX = true;
    };
    for (int32_t k = 0; k < curveCount_; ++k) {
        const PlotCurve& c = curves_[k];
        if (c.flags & PlotBar) bars = true;
        if (c.count < 1) continue;
        if (c.IsUniform()) {
            takeX(c.X(0));
            takeX(c.X(c.count - 1));
        }
        for (int32_t i = 0; i < c.count; ++i) {
            if (!c.IsUniform()) takeX(c.X(i));
            const double y = c.Y(i);
            if (!std::isfinite(y)) continue;
            r.ymin = haveY ? std::min(r.ymin, y) : y;
            r.ymax = haveY ? std::max(r.ymax, y) : y;
            haveY = true;
        }
    }
    if (haveX) {
        range_.xmin = r.xmin;
        range_.xmax = r.xmax;
    }
    if (haveY) {
        range_.ymin = r.ymin;
        range_.ymax = r.ymax;
    }
    if (bars) {
        range_.xmin -= (range_.xmax - range_.xmin) / 20;
        range_.xmax += (range_.xmax - range_.xmin) / 20;
    }
}

std::string CPlotGraph::TickLabel(double v, double step) const {
    if (std::fabs(v) < step / 4) v = 0;
    return Format("%g", v);
}

bool CPlotGraph::Draw() {
    if (curveCount_ < 1 || curveCount_ > kMaxCurves) return false;
    const SurfaceRect savedClip = surface_.ClipBox();
    fontScale_ = ((outer_.right - outer_.left) * 0.2 / 1000 + 1) * baseScale_;
    symbolUnit_ = std::max<int32_t>(1, static_cast<int32_t>(fontScale_));
    if (!fixedRange_) Autoscale();

    const SurfacePen oldPen = surface_.SelectPen({PenSolid, 1, foreground_});
    const SurfaceBrush oldBrush = surface_.SelectBrush({background_, false});
    const SurfaceFont oldFont = surface_.SelectFont({Round(12 * fontScale_), 400, false, false});
    surface_.SetBackgroundColor(background_);
    surface_.SetTextColor(foreground_);
    if (background_ != 0xFFFFFF) surface_.Rectangle(outer_);

    const bool laidOut = DrawAxes();
    if (laidOut) {
        if (deviceClip) {
            fixedRange_ = 0;
            surface_.SetClipRect(IntersectRects(savedClip, frame_));
        }
        for (int32_t k = 0; k < curveCount_; ++k) DrawCurve(curves_[k]);
    }
    surface_.SelectPen(oldPen);
    surface_.SelectBrush(oldBrush);
    surface_.SelectFont(oldFont);
    if (!laidOut) return false;
    drawn_ = 1;
    if (deviceClip) surface_.SetClipRect(savedClip);
    return true;
}

bool CPlotGraph::DrawAxes() {
    PlotRange r = range_;
    WidenEmptyRange(r.xmin, r.xmax);
    WidenEmptyRange(r.ymin, r.ymax);

    const SurfaceFont labelFont{Round(12 * fontScale_), 400, false, false};
    const SurfaceFont titleFont{Round(15 * fontScale_), 400, false, false};
    surface_.SelectFont(labelFont);
    const SurfaceSize cell = surface_.TextExtent("8");
    const int32_t cw = cell.cx, ch = cell.cy;

    const int32_t L = outer_.left, T = outer_.top, R = outer_.right, B = outer_.bottom;
    const int32_t TB = xTitle_.empty() ? B : B - Round(15 * fontScale_);
    const int32_t TL = yTitle_.empty() ? L : L + Round(15 * fontScale_);
    const int32_t w40 = (R - L) / std::max(1, horizontalMarginDivisor);
    const int32_t h40 = (B - T) / std::max(1, verticalMarginDivisor);

    const AxisTicks yt = ComputeAxisTicks(r.ymin, r.ymax, extendToTicks != 0);
    r.ymin = yt.min;
    r.ymax = yt.max;
    std::vector<std::string> yLabels;
    std::size_t widest = 0;
    for (double v : yt.values) {
        yLabels.push_back(TickLabel(v, yt.step));
        widest = std::max(widest, yLabels.back().size());
    }
    const int32_t Wy = cw * static_cast<int32_t>(widest) + 4;
    const AxisTicks xt = ComputeAxisTicks(r.xmin, r.xmax, extendToTicks != 0);
    r.xmin = xt.min;
    r.xmax = xt.max;
    std::vector<std::string> xLabels;
    for (double v : xt.values) xLabels.push_back(TickLabel(v, xt.step));

    const int32_t FL = TL + Wy + 4, FT = T + 9 * symbolUnit_, FR = R, FB = TB - ch - 1;
    const int32_t DL = FL + w40, DT = FT + h40, DB = FB - h40;
    int32_t DR = FR - w40;
    if (!xt.values.empty()) {
        // Keep the last x label inside the chart: pull the data area's right edge in.
        const int32_t lw = surface_.TextExtent(xLabels.back()).cx;
        const double pos =
            static_cast<double>(DR - DL) / (r.xmax - r.xmin) * (xt.values.back() - r.xmin) + 0.5;
        const int32_t p = PixelOf(pos);
        const int32_t v = R - 1 - DL - p - lw / 2;
        if (v < 0) DR += v;
    }
    if (DR - DL < 10 || DB - DT < 10) return false;

    range_ = r;
    transform_ = {r.xmin, r.ymin, (DR - DL) / (r.xmax - r.xmin), (DB - DT) / (r.ymax - r.ymin),
                  DL,     DB};
    frame_ = {FL, FT, FR, FB};
    data_ = {DL, DT, DR, DB};
    DrawBands();

    surface_.MoveTo(FL, FT);
    surface_.LineTo(FL, FB);
    surface_.LineTo(FR, FB);
    surface_.LineTo(FR, FT);
    surface_.LineTo(FL, FT);

    // Ticks; without the grid they take the foreground colour so they show on any background.
    surface_.SelectPen(gridOn ? SurfacePen{gridStyle, 1, gridColor}
                              : SurfacePen{PenSolid, 1, foreground_});
    const int32_t t = std::max(3, (R - L) / 100);
    const int32_t xLength = gridOn ? FB - FT : t;
    const int32_t yLength = gridOn ? FR - FL : t;
    for (std::size_t i = 0; i < xt.values.size(); ++i) {
        const int32_t px = PixelOf((xt.values[i] - r.xmin) * transform_.xScale + DL + 0.5);
        surface_.MoveTo(px, FT);
        surface_.LineTo(px, FT + xLength);
        surface_.MoveTo(px, FB - 1);
        surface_.LineTo(px, FB - 1 - xLength);
        const int32_t n = static_cast<int32_t>(xLabels[i].size());
        surface_.TextOut(px - n * cw / 2, FB + ch / 6, xLabels[i]);
    }
    for (std::size_t i = 0; i < yt.values.size(); ++i) {
        const int32_t py = PixelOf(DB - (yt.values[i] - r.ymin) * transform_.yScale + 0.5);
        surface_.MoveTo(FL, py);
        surface_.LineTo(FL + yLength, py);
        surface_.MoveTo(FR - 1, py);
        surface_.LineTo(FR - 1 - yLength, py);
        const int32_t n = static_cast<int32_t>(yLabels[i].size());
        surface_.TextOut((FL + TL - n * cw) / 2, py - ch / 2, yLabels[i]);
    }

    surface_.SelectFont(titleFont);
    if (!xTitle_.empty()) surface_.DrawTextInBox({FL, TB, R, B}, xTitle_, TextAlign::Center, false);
    if (!yTitle_.empty()) {
        const int32_t tw = surface_.TextExtent(yTitle_).cx;
        SurfaceFont rotated = titleFont;
        rotated.rotated = true;
        surface_.SelectFont(rotated);
        surface_.TextOut(L, (T + tw + TB) / 2, yTitle_);
    }
    surface_.SelectFont(labelFont);
    return true;
}

void CPlotGraph::DrawBands() {
    const SurfaceRect& f = frame_;
    for (const Band& b : bands_) {
        const double lo = std::max(std::min(b.x0, b.x1), range_.xmin);
        const double hi = std::min(std::max(b.x0, b.x1), range_.xmax);
        if (!(lo <= hi)) continue;
        const int32_t left = std::max(f.left + 1, ToPixel(lo, 0).x);
        const int32_t right = std::min(f.right - 1, ToPixel(hi, 0).x + 1);
        if (right > left) surface_.FillSolid({left, f.top + 1, right, f.bottom - 1}, b.color);
    }
}

CPlotGraph::Pixel CPlotGraph::ToPixel(double x, double y) const {
    return {PixelOf((x - range_.xmin) * transform_.xScale + transform_.left),
            PixelOf(transform_.bottom - (y - range_.ymin) * transform_.yScale)};
}

bool CPlotGraph::Inside(double x, double y) const {
    return x >= range_.xmin && x <= range_.xmax && y >= range_.ymin && y <= range_.ymax;
}

void CPlotGraph::DrawSymbols(uint32_t flags, Pixel p) {
    const int32_t u = symbolUnit_, x = p.x, y = p.y;
    if (flags & PlotCircle) surface_.Ellipse({x - 2 * u, y - 2 * u, x + 2 * u + 1, y + 2 * u + 1});
    if (flags & PlotSquare) surface_.Rectangle({x - u, y - u, x + u + 1, y + u + 1});
    if (flags & PlotDiamond) {
        const SurfacePoint d[] = {{x - 3 * u, y}, {x, y + 3 * u}, {x + 3 * u, y}, {x, y - 3 * u}};
        surface_.Polygon(d, 4);
    }
    if (flags & PlotCross) {
        surface_.MoveTo(x - 2 * u, y - 2 * u);
        surface_.LineTo(x + 2 * u + 1, y + 2 * u + 1);
        surface_.MoveTo(x - 2 * u, y + 2 * u);
        surface_.LineTo(x + 2 * u + 1, y - 2 * u - 1);
    }
    if (flags & PlotTriangleBelow) {
        const SurfacePoint d[] = {{x + 3 * u, y + 9 * u}, {x, y}, {x - 3 * u, y + 9 * u}};
        surface_.Polygon(d, 3);
    }
    if (flags & PlotTriangleAbove) {
        const SurfacePoint d[] = {{x + 3 * u, y - 9 * u}, {x, y}, {x - 3 * u, y - 9 * u}};
        surface_.Polygon(d, 3);
    }
}

void CPlotGraph::DrawBar(Pixel p) {
    const int32_t u = symbolUnit_;
    const int32_t left = ToPixel(range_.xmin, 0).x, right = ToPixel(range_.xmax, 0).x;
    if (p.x < left || p.x > right) return;
    const int32_t top = ToPixel(0, range_.ymax).y, bottom = ToPixel(0, range_.ymin).y;
    const int32_t y = std::clamp(p.y, top, bottom);
    if (y == bottom) {
        surface_.MoveTo(p.x - 3 * u, bottom);
        surface_.LineTo(p.x + 3 * u, bottom);
    } else {
        surface_.Rectangle({p.x - 3 * u, y, p.x + 3 * u, bottom});
    }
}

void CPlotGraph::DrawLinesFast(const PlotCurve& c) {
    // Points go to the surface as polylines, one per stretch of finite values; a long trace is
    // reduced to the extremes of each pixel column on the way.
    points_.clear();
    PixelColumnReducer reducer(points_);
    const double xmin = range_.xmin, ymin = range_.ymin;
    const double xScale = transform_.xScale, yScale = transform_.yScale;
    const double left = transform_.left, bottom = transform_.bottom;
    bool moved = false;
    auto flush = [&] {
        if (columnReduction) reducer.Finish();
        if (points_.size() >= 2) surface_.Polyline(points_.data(), points_.size());
        points_.clear();
        reducer.Restart();
    };
    ForEachPoint(
        c, [&](double x, double y) __attribute__((always_inline)) {
            if (!std::isfinite(x) || !std::isfinite(y)) {  // a gap in the trace
                flush();
                return;
            }
            const SurfacePoint p{PixelOfFinite((x - xmin) * xScale + left),
                                 PixelOfFinite(bottom - (y - ymin) * yScale)};
            if (!moved) {
                surface_.MoveTo(p.x, p.y);
                moved = true;
            }
            if (columnReduction) {
                reducer.Add(p);
            } else {
                points_.push_back(p);
            }
        });
    flush();
}

void CPlotGraph::DrawCurve(const PlotCurve& c) {
    surface_.SelectPen({(c.flags & PlotDashed) ? PenDash : PenSolid, c.penWidth, c.color});
    surface_.SelectBrush({c.color, false});
    if ((c.flags & ~uint32_t{PlotThick | PlotDashed}) ==
        PlotConnect) {  // lines only, thin or thick
        if (fixedRange_) {
            DrawClippedLines(c);
        } else {
            DrawLinesFast(c);
        }
        return;
    }
    const bool connect = (c.flags & PlotConnect) != 0;
    bool havePrevious = false, previousInside = false;
    double x0 = 0, y0 = 0;
    Pixel previousPixel{0, 0};
    for (int32_t i = 0; i < c.count; ++i) {
        const double x = c.X(i), y = c.Y(i);
        // A bar of an infinite value stands at the top or lies at the bottom.
        if ((c.flags & PlotBar) && std::isfinite(x) && !std::isnan(y)) DrawBar(ToPixel(x, y));
        if (!std::isfinite(x) || !std::isfinite(y)) {  // a gap: the next point starts afresh
            havePrevious = false;
            continue;
        }
        const Pixel p = ToPixel(x, y);
        const bool inside = Inside(x, y);
        const bool start = !havePrevious;
        if (start) {
            x0 = x;
            y0 = y;
            previousInside = inside;
            if (!fixedRange_ || inside) surface_.MoveTo(p.x, p.y);
        }
        if (!fixedRange_) {
            if (connect && !start && !(p.x == previousPixel.x && p.y == previousPixel.y)) {
                surface_.LineTo(p.x, p.y);
            }
            DrawSymbols(c.flags, p);
        } else if (!connect) {
            if (inside) DrawSymbols(c.flags, p);
        } else if (std::fabs(x - x0) <= kRepeatTolerance && std::fabs(y - y0) <= kRepeatTolerance) {
            // A repeated point draws nothing more; the first point of a trace shows its symbol.
            if (start && inside) DrawSymbols(c.flags, p);
        } else {
            const ClipPiece piece = ClipSegment(x0, y0, previousInside, x, y, inside, p);
            if (piece.kind == ClipPiece::Fresh) surface_.MoveTo(piece.from.x, piece.from.y);
            if (piece.kind != ClipPiece::None) surface_.LineTo(piece.to.x, piece.to.y);
            if (inside) DrawSymbols(c.flags, p);
        }
        surface_.MoveTo(p.x, p.y);
        x0 = x;
        y0 = y;
        previousInside = inside;
        previousPixel = p;
        havePrevious = true;
    }
}

CPlotGraph::ClipPiece CPlotGraph::ClipSegment(double x0, double y0, bool inside0, double x1,
                                              double y1, bool inside1, Pixel p1) const {
    if (inside0 && inside1) return {ClipPiece::Continue, p1, p1};
    const PlotRange& r = range_;
    // Both ends beyond the same edge: nothing to see.
    if ((x0 < r.xmin && x1 < r.xmin) || (x0 > r.xmax && x1 > r.xmax) ||
        (y0 < r.ymin && y1 < r.ymin) || (y0 > r.ymax && y1 > r.ymax)) {
        return {};
    }
    // The crossings of the segment with the edges of the range, by their position t along it;
    // the visible piece runs from the lowest to the highest.
    const double dx = x1 - x0, dy = y1 - y0;
    const bool vertical = std::fabs(dx) <= kRepeatTolerance;
    const bool horizontal = std::fabs(dy) <= kRepeatTolerance;
    const double tolX = (r.xmax - r.xmin) * 1e-12, tolY = (r.ymax - r.ymin) * 1e-12;
    int found = 0;
    double tLow = 0, tHigh = 0;
    Pixel low{0, 0}, high{0, 0};
    auto take = [&](double t, double cx, double cy) {
        const Pixel q = ToPixel(cx, cy);
        if (found == 0 || t < tLow) {
            tLow = t;
            low = q;
        }
        if (found == 0 || t > tHigh) {
            tHigh = t;
            high = q;
        }
        ++found;
    };
    if (!horizontal) {
        for (double edge : {r.ymin, r.ymax}) {
            const double t = (edge - y0) / dy;
            const double cx = vertical ? x0 : x0 + t * dx;
            if (t >= 0 && t <= 1 && cx >= r.xmin - tolX && cx <= r.xmax + tolX) {
                take(t, std::clamp(cx, r.xmin, r.xmax), edge);
            }
        }
    }
    if (!vertical) {
        for (double edge : {r.xmin, r.xmax}) {
            const double t = (edge - x0) / dx;
            const double cy = horizontal ? y0 : y0 + t * dy;
            if (t >= 0 && t <= 1 && cy >= r.ymin - tolY && cy <= r.ymax + tolY) {
                take(t, edge, std::clamp(cy, r.ymin, r.ymax));
            }
        }
    }
    if (inside0) return found > 0 ? ClipPiece{ClipPiece::Continue, high, high} : ClipPiece{};
    if (inside1) return found > 0 ? ClipPiece{ClipPiece::Fresh, low, p1} : ClipPiece{};
    return found > 1 ? ClipPiece{ClipPiece::Fresh, low, high} : ClipPiece{};
}

void CPlotGraph::DrawClippedLines(const PlotCurve& c) {
    // The visible pieces of a lines-only curve in a fixed range, as polylines reduced to the
    // extremes of each pixel column like the unclipped traces.
    points_.clear();
    PixelColumnReducer reducer(points_);
    auto add = [&](Pixel p) {
        if (columnReduction) {
            reducer.Add({p.x, p.y});
        } else {
            points_.push_back({p.x, p.y});
        }
    };
    auto flush = [&] {
        if (columnReduction) reducer.Finish();
        if (points_.size() >= 2) surface_.Polyline(points_.data(), points_.size());
        points_.clear();
        reducer.Restart();
    };
    bool havePrevious = false, previousInside = false;
    double x0 = 0, y0 = 0;
    ForEachPoint(c, [&](double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) {
            flush();
            havePrevious = false;
            return;
        }
        const Pixel p = ToPixel(x, y);
        const bool inside = Inside(x, y);
        if (!havePrevious) {
            if (inside) add(p);
        } else if (std::fabs(x - x0) > kRepeatTolerance || std::fabs(y - y0) > kRepeatTolerance) {
            const ClipPiece piece = ClipSegment(x0, y0, previousInside, x, y, inside, p);
            if (piece.kind == ClipPiece::Fresh) {
                flush();
                add(piece.from);
            }
            if (piece.kind != ClipPiece::None) add(piece.to);
            if (!inside) flush();
        }
        x0 = x;
        y0 = y;
        previousInside = inside;
        havePrevious = true;
    });
    flush();
}

}  // namespace pelmor
