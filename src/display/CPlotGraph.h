#pragma once

// One framed x–y chart drawn into a rectangle of a surface: frame, ticks or a dotted grid, tick
// labels, titles, and curves as lines, symbols or bars, autoscaled or in a fixed range. Built on
// the caller's stack for one repaint: construct, SetTitles, set the public flags, add the
// curves, SetRange (after the curves: adding a curve clears the fixed range), SetScale
// (printing), SetColors, Draw, then GetRange and GetTransform.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "display/PlotCurve.h"
#include "platform/Surface.h"

namespace pelmor {

struct PlotRange {
    double xmin = 0, xmax = 1, ymin = 0, ymax = 1;
};

// The pixel mapping of the last successful Draw: a value (x, y) lands on pixel
// (trunc(left + (x − xmin) × xScale), trunc(bottom − (y − ymin) × yScale)).
struct PlotTransform {
    double xmin = 0, ymin = 0, xScale = 0, yScale = 0;
    int32_t left = 0, bottom = 0;
};

// The ticks of one axis: first, first + step, … up to last; min and max after widening.
struct AxisTicks {
    double min = 0, max = 1;
    double first = 0, last = 1, step = 1;
    std::vector<double> values;  // the tick values as drawn
};

// Ticks for about three intervals between min and max (min < max, both finite). extendToTicks
// widens the range to the outermost ticks; otherwise the ticks are kept inside the range.
AxisTicks ComputeAxisTicks(double min, double max, bool extendToTicks);

// Widens an empty (or, for the precision of a double, too narrow) or non-finite range so that
// ticks can be laid out: v … v becomes 0.9 v … 1.1 v, 0 … 0 becomes −1 … 1.
void WidenEmptyRange(double& min, double& max);

class CPlotGraph {
  public:
    static constexpr int kMaxCurves = 128;

    CPlotGraph(Surface& surface, const SurfaceRect& outer);
    CPlotGraph(const CPlotGraph&) = delete;
    CPlotGraph& operator=(const CPlotGraph&) = delete;

    void SetTitles(std::string xTitle, std::string yTitle);
    void SetColors(Color foreground, Color background);
    // Size multiplier for fonts and symbols (4.0 when printing); only 0.5 < s < 500 is taken.
    void SetScale(double s);
    // A fixed range, taken only when it is finite and not empty in both directions.
    void SetRange(double x1, double x2, double y1, double y2);
    // The range the last Draw used (after autoscale and widening).
    PlotRange GetRange() const { return range_; }
    PlotTransform GetTransform() const { return transform_; }

    // Appends a curve (nothing happens when 128 are present). Clears the fixed range.
    void AddCurve(int32_t count, const void* xValues, const void* yValues, uint32_t flags,
                  Color color, int32_t xType = PlotFloat64, int32_t yType = PlotFloat64,
                  int32_t xStride = 1, int32_t yStride = 1, PlotValueTransform xTransform = nullptr,
                  PlotValueTransform yTransform = nullptr);
    // A curve with x(i) = xStart + xStep × xStride × i, always drawn with a thin pen.
    void AddUniformCurve(int32_t count, double xStart, double xStep, const void* yValues,
                         uint32_t flags, Color color, int32_t yType = PlotFloat64,
                         int32_t xStride = 1, int32_t yStride = 1,
                         PlotValueTransform xTransform = nullptr,
                         PlotValueTransform yTransform = nullptr);
    // A shaded stretch of x values from x0 to x1, filled over the chart's whole height behind
    // the grid and the curves (only its part inside the x range shows).
    void AddBand(double x0, double x1, Color color) { bands_.push_back({x0, x1, color}); }
    // Convenience for the common case of double arrays.
    void AddCurve(int32_t count, const double* x, const double* y, uint32_t flags, Color color) {
        AddCurve(count, static_cast<const void*>(x), static_cast<const void*>(y), flags, color);
    }

    // Draws everything. False when there is no curve or the data area is lower or narrower than
    // 10 units (then only the background is drawn).
    bool Draw();

    int CurveCount() const { return static_cast<int>(curveCount_); }
    bool Drawn() const { return drawn_ != 0; }
    bool FixedRange() const { return fixedRange_ != 0; }
    double BaseScale() const { return baseScale_; }
    double FontScale() const { return fontScale_; }
    int32_t SymbolUnit() const { return symbolUnit_; }
    SurfaceRect FrameRect() const { return frame_; }
    SurfaceRect DataRect() const { return data_; }

    // Set directly by the caller between construction and Draw.
    int32_t gridOn = 0;
    int32_t gridStyle = PenDot;
    Color gridColor = 0xC0C0C0;
    int32_t extendToTicks = 1;
    int32_t deviceClip = 0;
    int32_t horizontalMarginDivisor = 40;
    int32_t verticalMarginDivisor = 40;
    // Lines-only curves hand the surface at most four points per pixel column (the picture is
    // the same); 0 hands it every point.
    int32_t columnReduction = 1;

  private:
    struct Pixel {
        int32_t x, y;
    };
    void Autoscale();
    bool DrawAxes();
    std::string TickLabel(double v, double step) const;
    void DrawCurve(const PlotCurve& curve);
    void DrawBands();
    // What a connected segment from (x0, y0) to (x1, y1) shows of itself inside a fixed range:
    // nothing, a line on from the previous point, or a line of its own.
    struct ClipPiece {
        enum Kind { None, Continue, Fresh } kind = None;
        Pixel from{0, 0}, to{0, 0};
    };
    ClipPiece ClipSegment(double x0, double y0, bool inside0, double x1, double y1, bool inside1,
                          Pixel p1) const;
    void DrawLinesFast(const PlotCurve& curve);
    void DrawClippedLines(const PlotCurve& curve);
    void DrawSymbols(uint32_t flags, Pixel p);
    void DrawBar(Pixel p);
    Pixel ToPixel(double x, double y) const;
    bool Inside(double x, double y) const;

    Surface& surface_;
    SurfaceRect outer_;
    double baseScale_ = 1.0;
    double fontScale_ = 1.0;
    int32_t symbolUnit_ = 1;
    std::string xTitle_, yTitle_;
    std::array<PlotCurve, kMaxCurves> curves_{};
    int32_t curveCount_ = 0;
    int32_t fixedRange_ = 0;
    int32_t drawn_ = 0;
    PlotRange range_;
    Color foreground_ = 0x000000;
    Color background_ = 0xFFFFFF;
    PlotTransform transform_;
    SurfaceRect frame_{}, data_{};
    std::vector<SurfacePoint> points_;
    struct Band {
        double x0, x1;
        Color color;
    };
    std::vector<Band> bands_;
};

}  // namespace pelmor
