#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "display/CPlotGraph.h"
#include "display/InvertBand.h"
#include "display/RecordingSurface.h"

namespace pelmor {
namespace {

const SurfaceRect kOuter{0, 0, 1000, 600};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(AxisTicks, StepsFirstAndLastTicks) {
    struct Case {
        double min, max;
        bool extend;
        double step;
        std::vector<double> ticks;
        double newMin, newMax;
    };
    // clang-format off
    const Case cases[] = {
        //  min  max  extend step  ticks                                   newMin newMax
        {    0,    8, true,   2,   {0, 2, 4, 6, 8},                             0,    8},
        {   -5,    5, true,   2,   {-4, -2, 0, 2, 4},                          -5,    5},
        {   -5,    5, false,  2,   {-4, -2, 0, 2, 4},                          -5,    5},
        {    0,   50, true,  10,   {0, 10, 20, 30, 40, 50},                     0,   50},
        { -0.2,  1.2, true,   0.2, {-0.2, 0, 0.2, 0.4, 0.6, 0.8, 1, 1.2},    -0.2,  1.2},
        {  0.5,  9.5, true,   2,   {0, 2, 4, 6, 8, 10},                         0,   10},
        {  0.5,  9.5, false,  2,   {2, 4, 6, 8},                              0.5,  9.5},
        {    1,   50, true,  10,   {0, 10, 20, 30, 40, 50},                     0,   50},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << " … " << c.max << " extend " << c.extend);
        const AxisTicks t = ComputeAxisTicks(c.min, c.max, c.extend);
        EXPECT_DOUBLE_EQ(t.step, c.step);
        ASSERT_EQ(t.values.size(), c.ticks.size());
        for (std::size_t i = 0; i < c.ticks.size(); ++i) EXPECT_NEAR(t.values[i], c.ticks[i], 1e-9);
        EXPECT_DOUBLE_EQ(t.min, c.newMin);
        EXPECT_DOUBLE_EQ(t.max, c.newMax);
    }
}

TEST(AxisTicks, EmptyNarrowAndNonFiniteRangesAreWidened) {
    struct Case {
        double min, max, wantMin, wantMax;
    };
    // clang-format off
    const Case cases[] = {
        // min    max       wantMin  wantMax
        {2,       2,         1.8,     2.2},
        {0,       0,        -1,       1},
        {-2,     -2,        -2.2,    -1.8},
        {1e-120,  1e-120,   -1,       1},
        {kNaN,    kNaN,     -1,       1},
        {kNaN,    3,         2.7,     3.3},
        {5,       1,         1,       5},
        {1e20,    1e20 + 1,  0.9e20,  1.1e20},
        {0,       3e-310,   -1,       1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << " … " << c.max);
        double min = c.min, max = c.max;
        WidenEmptyRange(min, max);
        EXPECT_NEAR(min, c.wantMin, std::fabs(c.wantMin) * 1e-12);
        EXPECT_NEAR(max, c.wantMax, std::fabs(c.wantMax) * 1e-12);
    }
    double min = -kInf, max = kInf;
    WidenEmptyRange(min, max);
    EXPECT_TRUE(std::isfinite(min) && std::isfinite(max) && min < max);
    const AxisTicks t = ComputeAxisTicks(-1e300, 1e300, true);
    EXPECT_FALSE(t.values.empty());
    EXPECT_LT(t.values.size(), 20u);
}

// Draws one graph on a recording surface.
struct Chart {
    RecordingSurface surface;
    CPlotGraph graph{surface, kOuter};
};

TEST(PlotGraph, ScaleOnlyInsideItsBounds) {
    Chart c;
    for (double s : {0.5, 500.0, -3.0, kNaN}) c.graph.SetScale(s);
    EXPECT_EQ(c.graph.BaseScale(), 1.0);
    c.graph.SetScale(0.51);
    EXPECT_EQ(c.graph.BaseScale(), 0.51);
    c.graph.SetScale(4.0);
    const double y[] = {1, 2};
    c.graph.AddUniformCurve(2, 0, 1, y, PlotConnect, 0);
    ASSERT_TRUE(c.graph.Draw());
    EXPECT_DOUBLE_EQ(c.graph.FontScale(), 4.8);
    EXPECT_EQ(c.graph.SymbolUnit(), 4);
    EXPECT_EQ(c.surface.font.height, 12);  // the caller's font is selected again
}

TEST(PlotGraph, RangeIsFixedOnlyWhenFiniteAndNotEmpty) {
    const double y[] = {1, 3};
    struct Case {
        double x1, x2, y1, y2;
        bool fixed;
    };
    // clang-format off
    const Case cases[] = {
        //  x1    x2    y1  y2  fixed
        {    8,    0,   5, -5,  true},
        {    0,    0,   0,  1,  false},
        {    0,    1,   2,  2,  false},
        {    0, kInf,   0,  1,  false},
        { kNaN,    1,   0,  1,  false},
    };
    // clang-format on
    for (const Case& k : cases) {
        Chart c;
        c.graph.AddUniformCurve(2, 0, 1, y, PlotConnect, 0);
        c.graph.SetRange(k.x1, k.x2, k.y1, k.y2);
        EXPECT_EQ(c.graph.FixedRange(), k.fixed) << k.x1 << " " << k.x2;
    }
    // Adding a curve clears the fixed range.
    Chart c;
    c.graph.AddUniformCurve(2, 0, 1, y, PlotConnect, 0);
    c.graph.SetRange(0, 8, -5, 5);
    c.graph.AddUniformCurve(2, 0, 1, y, PlotConnect, 0);
    EXPECT_FALSE(c.graph.FixedRange());
}

TEST(PlotGraph, AutoscaleWidensConstantCurves) {
    struct Case {
        double value, wantMin, wantMax;
    };
    for (const Case& k : {Case{2, 1.8, 2.2}, Case{0, -1, 1}, Case{-2, -2.2, -1.8}}) {
        Chart c;
        c.graph.extendToTicks = 0;
        const double y[] = {k.value, k.value, k.value};
        c.graph.AddUniformCurve(3, 0, 1, y, PlotConnect, 0);
        ASSERT_TRUE(c.graph.Draw());
        EXPECT_NEAR(c.graph.GetRange().ymin, k.wantMin, 1e-12);
        EXPECT_NEAR(c.graph.GetRange().ymax, k.wantMax, 1e-12);
        EXPECT_NEAR(c.graph.GetRange().xmin, 0, 1e-12);
        EXPECT_NEAR(c.graph.GetRange().xmax, 2, 1e-12);
    }
}

TEST(PlotGraph, BarsAutoscaleWithAMargin) {
    Chart c;
    const double x[] = {1, 2, 3, 4, 5}, y[] = {1, 4, 2, 5, 3};
    c.graph.AddCurve(5, x, y, PlotBar, 0x008000);
    ASSERT_TRUE(c.graph.Draw());
    EXPECT_NEAR(c.graph.GetRange().xmin, 0.8, 1e-12);
    EXPECT_NEAR(c.graph.GetRange().xmax, 5.21, 1e-12);
    // The lowest bar lies on the bottom of the data area as a line.
    EXPECT_EQ(c.surface.Calls(SurfaceOp::Rectangle).size(), 4u);
}

TEST(PlotGraph, NonFiniteValuesAreSkippedAndBarsClamp) {
    Chart c;
    const double x[] = {1, 2, 3, 4, kNaN}, y[] = {2, -kInf, kInf, kNaN, 1};
    c.graph.AddCurve(5, x, y, PlotBar | PlotCircle, 0x008000);
    ASSERT_TRUE(c.graph.Draw());
    const PlotRange r = c.graph.GetRange();
    EXPECT_TRUE(std::isfinite(r.ymin) && std::isfinite(r.ymax));
    const SurfaceRect d = c.graph.DataRect();
    // Bars: 2 as a rectangle, −inf lying on the bottom, +inf standing up to the top.
    const auto rects = c.surface.Calls(SurfaceOp::Rectangle);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[1].rect.bottom, d.bottom);
    EXPECT_NEAR(rects[1].rect.top, d.top, 1);
    EXPECT_EQ(c.surface.Calls(SurfaceOp::Ellipse).size(), 1u);  // only the finite point
}

TEST(PlotGraph, LayoutOfFrameDataAreaAndLabels) {
    Chart c;
    c.graph.extendToTicks = 0;
    const double y[] = {0, 1};
    c.graph.AddUniformCurve(2, 0, 8, y, PlotConnect, 0);
    c.graph.SetRange(0, 8, -5, 5);
    ASSERT_TRUE(c.graph.Draw());
    // fontScale 1.2: labels 14 high, cells 7 wide; y labels at most 2 characters.
    EXPECT_EQ(c.graph.FrameRect(), (SurfaceRect{22, 9, 1000, 585}));
    EXPECT_EQ(c.graph.DataRect(), (SurfaceRect{47, 24, 975, 570}));
    const PlotTransform t = c.graph.GetTransform();
    EXPECT_EQ(t.left, 47);
    EXPECT_EQ(t.bottom, 570);
    EXPECT_DOUBLE_EQ(t.xScale, 928.0 / 8);
    EXPECT_DOUBLE_EQ(t.yScale, 546.0 / 10);
    EXPECT_EQ(c.surface.Texts(),
              (std::vector<std::string>{"0", "2", "4", "6", "8", "-4", "-2", "0", "2", "4"}));
    const auto texts = c.surface.Calls(SurfaceOp::TextOut);
    EXPECT_EQ(texts[0].points[0], (SurfacePoint{44, 587}));  // "0" centred under x = 47
    EXPECT_EQ(texts[5].points[0].x, 4);                      // "-4" centred left of the frame
}

TEST(PlotGraph, TitlesAndLastLabelPullTheDataArea) {
    Chart c;
    c.graph.SetTitles("Frequency [Hz]", "A [V]");
    const double y[] = {0, 1};
    c.graph.AddUniformCurve(2, 1234560, 40, y, PlotConnect, 0);
    c.graph.SetRange(1234560, 1234600, 0, 1);
    ASSERT_TRUE(c.graph.Draw());
    const auto boxes = c.surface.Calls(SurfaceOp::TextInBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Frequency [Hz]");
    EXPECT_EQ(boxes[0].rect.bottom, 600);
    EXPECT_EQ(boxes[0].rect.top, 600 - 18);
    const auto texts = c.surface.Calls(SurfaceOp::TextOut);
    ASSERT_EQ(texts.back().text, "A [V]");
    EXPECT_TRUE(texts.back().font.rotated);
    // The title is 5 × 9 = 45 wide, centred on 0 … 582 reading upward from its start.
    EXPECT_EQ(texts.back().points[0], (SurfacePoint{0, (45 + 582) / 2}));
    // The last label "1.2346e+06" (70 wide) ends inside the chart: the data area gives way.
    EXPECT_EQ(texts[4].text, "1.2346e+06");
    EXPECT_EQ(c.graph.DataRect().right, 999 - 70 / 2);
}

TEST(PlotGraph, CurveCountLimitsAndTooSmallAreas) {
    const double y[] = {1, 2};
    Chart empty;
    EXPECT_FALSE(empty.graph.Draw());
    EXPECT_TRUE(empty.surface.calls.empty());

    Chart full;
    for (int i = 0; i < 129; ++i) full.graph.AddUniformCurve(2, 0, 1, y, PlotConnect, i);
    EXPECT_EQ(full.graph.CurveCount(), 128);
    EXPECT_TRUE(full.graph.Draw());
    EXPECT_EQ(full.surface.Calls(SurfaceOp::Polyline).size(), 128u);

    RecordingSurface s;
    CPlotGraph small(s, {0, 0, 200, 30});
    small.AddUniformCurve(2, 0, 1, y, PlotConnect, 0);
    small.SetColors(0xC0C0C0, 0x000000);
    EXPECT_FALSE(small.Draw());
    EXPECT_FALSE(small.Drawn());
    EXPECT_EQ(small.GetTransform().xScale, 0);
    ASSERT_EQ(s.calls.size(), 1u);  // the black background only
    EXPECT_EQ(s.calls[0].op, SurfaceOp::Rectangle);
    EXPECT_EQ(s.calls[0].brush.color, 0x000000u);
    EXPECT_EQ(s.pen, SurfacePen{});  // pen and brush restored
}

// Line segments drawn by the curve (pen colour 0x0000FF) of a chart, polylines taken apart.
std::vector<std::vector<SurfacePoint>> CurveLines(const RecordingSurface& s) {
    std::vector<std::vector<SurfacePoint>> out;
    for (const auto& c : s.calls) {
        if (c.pen.color != 0x0000FF) continue;
        if (c.op == SurfaceOp::Line) out.push_back(c.points);
        if (c.op != SurfaceOp::Polyline) continue;
        for (std::size_t i = 1; i < c.points.size(); ++i)
            out.push_back({c.points[i - 1], c.points[i]});
    }
    return out;
}

TEST(PlotGraph, OnePointConnectedCurveShowsItsSymbolInBothModes) {
    const double x[] = {4}, y[] = {1};
    for (bool valueClipping : {false, true}) {
        Chart c;
        c.graph.AddCurve(1, x, y, PlotConnect | PlotCircle, 0x0000FF);
        if (valueClipping) c.graph.SetRange(0, 8, -5, 5);
        ASSERT_TRUE(c.graph.Draw());
        EXPECT_TRUE(CurveLines(c.surface).empty());
        ASSERT_EQ(c.surface.Calls(SurfaceOp::Ellipse).size(), 1u) << valueClipping;
    }
    // Outside a fixed range nothing shows.
    Chart c;
    const double far[] = {20};
    c.graph.AddCurve(1, far, y, PlotConnect | PlotCircle, 0x0000FF);
    c.graph.SetRange(0, 8, -5, 5);
    ASSERT_TRUE(c.graph.Draw());
    EXPECT_TRUE(c.surface.Calls(SurfaceOp::Ellipse).empty());
}

TEST(PlotGraph, SymbolShapesAroundThePoint) {
    Chart c;
    const double x[] = {0, 8}, y[] = {0, 10};
    c.graph.AddCurve(2, x, y, kPlotSymbolMask, 0x0000FF);
    ASSERT_TRUE(c.graph.Draw());
    const PlotTransform t = c.graph.GetTransform();
    const int32_t px = t.left, py = t.bottom;  // the first point is (xmin, ymin)
    const auto ellipses = c.surface.Calls(SurfaceOp::Ellipse);
    EXPECT_EQ(ellipses[0].rect, (SurfaceRect{px - 2, py - 2, px + 3, py + 3}));
    EXPECT_EQ(ellipses[0].brush.color, 0x0000FFu);
    EXPECT_EQ(ellipses[0].pen.color, 0x0000FFu);
    const auto squares = c.surface.Calls(SurfaceOp::Rectangle);
    EXPECT_EQ(squares[0].rect, (SurfaceRect{px - 1, py - 1, px + 2, py + 2}));
    const auto polygons = c.surface.Calls(SurfaceOp::Polygon);
    ASSERT_EQ(polygons.size(), 6u);
    EXPECT_EQ(polygons[0].points,
              (std::vector<SurfacePoint>{{px - 3, py}, {px, py + 3}, {px + 3, py}, {px, py - 3}}));
    EXPECT_EQ(polygons[1].points,
              (std::vector<SurfacePoint>{{px + 3, py + 9}, {px, py}, {px - 3, py + 9}}));
    EXPECT_EQ(polygons[2].points,
              (std::vector<SurfacePoint>{{px + 3, py - 9}, {px, py}, {px - 3, py - 9}}));
    const auto lines = c.surface.Calls(SurfaceOp::Line);
    const std::vector<SurfacePoint> cross1{{px - 2, py - 2}, {px + 3, py + 3}};
    const std::vector<SurfacePoint> cross2{{px - 2, py + 2}, {px + 3, py - 3}};
    int found = 0;
    for (const auto& l : lines) found += l.points == cross1 || l.points == cross2;
    EXPECT_EQ(found, 2);
}

TEST(PlotGraph, SegmentsAreClippedInValueSpace) {
    struct Case {
        std::vector<double> x, y;
        std::vector<std::vector<std::pair<double, double>>> lines;  // in values
    };
    const Case cases[] = {
        // entering, then leaving through the sides
        {{-5, 5, 15}, {5, 5, 5}, {{{0, 5}, {5, 5}}, {{5, 5}, {10, 5}}}},
        // crossing the whole range
        {{-5, 15}, {5, 5}, {{{0, 5}, {10, 5}}}},
        // vertical through top and bottom
        {{4, 4}, {-5, 15}, {{{4, 0}, {4, 10}}}},
        // leaving from a point on the bottom edge through the right side
        {{5, 15}, {0, 5}, {{{5, 0}, {10, 2.5}}}},
        // both outside and missing the range
        {{-5, 5}, {20, 30}, {}},
        // inside throughout
        {{1, 2, 3}, {1, 2, 1}, {{{1, 1}, {2, 2}}, {{2, 2}, {3, 1}}}},
    };
    // Thick lines go segment by segment, thin ones as polylines of the visible pieces.
    for (uint32_t flags : {PlotConnect | PlotThick, uint32_t{PlotConnect}}) {
        for (const Case& k : cases) {
            Chart c;
            c.graph.extendToTicks = 0;
            c.graph.AddCurve(static_cast<int32_t>(k.x.size()), k.x.data(), k.y.data(), flags,
                             0x0000FF);
            c.graph.SetRange(0, 10, 0, 10);
            ASSERT_TRUE(c.graph.Draw());
            const PlotTransform t = c.graph.GetTransform();
            auto pixel = [&](std::pair<double, double> v) {
                return SurfacePoint{
                    static_cast<int32_t>(t.left + (v.first - t.xmin) * t.xScale),
                    static_cast<int32_t>(t.bottom - (v.second - t.ymin) * t.yScale)};
            };
            std::vector<std::vector<SurfacePoint>> want;
            for (const auto& l : k.lines) want.push_back({pixel(l[0]), pixel(l[1])});
            EXPECT_EQ(CurveLines(c.surface), want) << flags << ": " << k.x[0] << "," << k.y[0];
        }
    }
}

TEST(PlotGraph, DeviceClipDrawsLinesAsOneReducedPolyline) {
    std::vector<double> y(65536);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = std::sin(i * 0.01) + 0.3 * ((i * 7919) % 13);
    for (int reduce : {1, 0}) {
        Chart c;
        c.graph.deviceClip = 1;
        c.graph.columnReduction = reduce;
        c.graph.AddUniformCurve(65536, 0, 1.0 / 512, y.data(), PlotConnect, 0x0000FF);
        c.graph.SetRange(0, 128, -5, 5);
        ASSERT_TRUE(c.graph.Draw());
        const auto clips = c.surface.Calls(SurfaceOp::SetClip);
        ASSERT_EQ(clips.size(), 2u);
        EXPECT_EQ(clips[0].rect, c.graph.FrameRect());
        EXPECT_EQ(clips[1].rect, (SurfaceRect{0, 0, 4096, 4096}));
        const auto lines = c.surface.Calls(SurfaceOp::Polyline);
        ASSERT_EQ(lines.size(), 1u);
        const std::size_t columns = c.graph.DataRect().Width() + 1;
        if (reduce) {
            EXPECT_LE(lines[0].points.size(), 4 * columns);
        } else {
            EXPECT_EQ(lines[0].points.size(), 65536u);
        }
    }
}

TEST(PlotGraph, GapsSplitTheFastPolyline) {
    Chart c;
    const double y[] = {1, 2, kNaN, 3, 4, 5};
    c.graph.AddUniformCurve(6, 0, 1, y, PlotConnect, 0x0000FF);
    ASSERT_TRUE(c.graph.Draw());
    const auto lines = c.surface.Calls(SurfaceOp::Polyline);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].points.size(), 2u);
    EXPECT_EQ(lines[1].points.size(), 3u);
}

TEST(PixelColumns, KeepFirstLowestHighestLastInOrder) {
    struct Case {
        std::vector<SurfacePoint> in, out;
    };
    const Case cases[] = {
        {{{0, 5}, {0, 10}, {0, 2}, {0, 7}, {1, 3}}, {{0, 5}, {0, 10}, {0, 2}, {0, 7}, {1, 3}}},
        {{{0, 5}, {0, 1}, {0, 9}, {0, 4}, {0, 6}, {0, 5}}, {{0, 5}, {0, 1}, {0, 9}, {0, 5}}},
        {{{3, 3}, {3, 3}, {3, 3}}, {{3, 3}, {3, 3}}},
        {{{3, 3}}, {{3, 3}}},
        {{{0, 1}, {1, 1}, {0, 1}}, {{0, 1}, {1, 1}, {0, 1}}},
        {{{2, 0}, {2, 8}, {2, 8}, {2, 3}}, {{2, 0}, {2, 8}, {2, 3}}},
    };
    for (const Case& k : cases) {
        std::vector<SurfacePoint> out;
        ReducePixelColumns(k.in.data(), k.in.size(), out);
        EXPECT_EQ(out, k.out);
    }
}

TEST(PlotGraph, TickPensFollowGridSettingsAndColours) {
    const double y[] = {0, 1};
    for (int grid : {0, 1}) {
        Chart c;
        c.graph.gridOn = grid;
        c.graph.gridColor = 0x808080;
        c.graph.SetColors(0xC0C0C0, 0x000000);
        c.graph.AddUniformCurve(2, 0, 8, y, PlotConnect, 0x0000FF);
        c.graph.SetRange(0, 8, -5, 5);
        ASSERT_TRUE(c.graph.Draw());
        const SurfaceRect f = c.graph.FrameRect();
        const auto lines = c.surface.Calls(SurfaceOp::Line);
        ASSERT_GT(lines.size(), 4u);
        EXPECT_EQ(lines[0].pen, (SurfacePen{PenSolid, 1, 0xC0C0C0}));  // the frame
        const SurfaceCall& tick = lines[4];
        const SurfacePen want =
            grid ? SurfacePen{PenDot, 1, 0x808080} : SurfacePen{PenSolid, 1, 0xC0C0C0};
        EXPECT_EQ(tick.pen, want);
        const int32_t length = tick.points[1].y - tick.points[0].y;
        EXPECT_EQ(length, grid ? f.bottom - f.top : 10);
        EXPECT_EQ(c.surface.Calls(SurfaceOp::TextOut)[0].color, 0xC0C0C0u);
    }
}

TEST(InvertBand, OrdersTheEdgesAndSpansTheClientHeight) {
    RecordingSurface s;
    InvertBand(s, {0, 10, 500, 400}, 300, 120);
    InvertBand(s, {0, 10, 500, 400}, 50, 50);
    const auto calls = s.Calls(SurfaceOp::InvertRect);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rect, (SurfaceRect{120, 10, 300, 400}));
}

}  // namespace
}  // namespace pelmor

namespace pelmor {
namespace {

// Extreme and non-finite values in every drawing mode: Draw finishes and every coordinate
// handed to the surface stays far inside 32 bits.
TEST(PlotGraph, ExtremeValuesStayBounded) {
    const double extremes[] = {0, 1e308, -1e308, 1e-310, kNaN, kInf, -kInf, 3, -2, 1e20, 1e20 + 1};
    const std::vector<double> xs(std::begin(extremes), std::end(extremes));
    std::vector<double> ys(xs.rbegin(), xs.rend());
    const uint32_t flagSets[] = {PlotConnect, PlotConnect | kPlotSymbolMask, PlotBar,
                                 PlotConnect | PlotBar | PlotThick};
    for (uint32_t flags : flagSets) {
        for (int mode = 0; mode < 3; ++mode) {
            Chart c;
            c.graph.AddCurve(static_cast<int32_t>(xs.size()), xs.data(), ys.data(), flags, 1);
            c.graph.AddUniformCurve(static_cast<int32_t>(ys.size()), 1e300, 1e300, ys.data(), flags,
                                    2);
            if (mode > 0) c.graph.SetRange(-1, 1e20, -5, 1e10);
            c.graph.deviceClip = mode == 2;
            EXPECT_TRUE(c.graph.Draw());
            for (const SurfaceCall& call : c.surface.calls) {
                for (const SurfacePoint& p : call.points) {
                    ASSERT_LE(std::abs(p.x), 1 << 27);
                    ASSERT_LE(std::abs(p.y), 1 << 27);
                }
            }
        }
    }
}

}  // namespace
}  // namespace pelmor
