#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "display/CPlotGraph.h"
#include "display/InvertBand.h"
#include "report/QtSurface.h"

namespace pelmor {
namespace {

// One application object for the whole run, never destroyed: Qt's own globals may be gone by
// the time static objects are torn down.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "test_report";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
    }
}

QImage WhiteImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

Color PixelAt(const QImage& image, int x, int y) { return FromQColor(image.pixelColor(x, y)); }

TEST(QtSurface, ColoursRectanglesAndLineEnds) {
    EnsureApplication();
    QImage image = WhiteImage(40, 40);
    {
        QPainter painter(&image);
        QtSurface s(painter);
        EXPECT_EQ(s.ClipBox(), (SurfaceRect{0, 0, 40, 40}));
        s.FillSolid({2, 2, 6, 5}, 0x0000FF);  // red, right and bottom edges excluded
        s.SelectPen({PenSolid, 1, 0xFF0000});
        s.MoveTo(10, 10);
        s.LineTo(20, 10);  // blue, its end point undrawn
        s.SelectBrush({0x008000, false});
        s.Rectangle({10, 20, 15, 25});
    }
    EXPECT_EQ(PixelAt(image, 2, 2), 0x0000FFu);
    EXPECT_EQ(PixelAt(image, 5, 4), 0x0000FFu);
    EXPECT_EQ(PixelAt(image, 6, 4), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(image, 5, 5), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(image, 10, 10), 0xFF0000u);
    EXPECT_EQ(PixelAt(image, 19, 10), 0xFF0000u);
    EXPECT_EQ(PixelAt(image, 20, 10), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(image, 10, 20), 0xFF0000u);  // outline
    EXPECT_EQ(PixelAt(image, 14, 24), 0xFF0000u);
    EXPECT_EQ(PixelAt(image, 15, 24), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(image, 12, 22), 0x008000u);  // fill
}

// On a 1200-dpi page a pen of width 1 is six dots wide, so lines stay visible on paper; the
// screen keeps one-pixel lines whatever the device's resolution.
TEST(QtSurface, PrinterPensAreWidenedToTheResolution) {
    EnsureApplication();
    for (const bool printing : {false, true}) {
        QImage image = WhiteImage(40, 40);
        image.setDotsPerMeterX(47244);  // 1200 dpi
        image.setDotsPerMeterY(47244);
        {
            QPainter painter(&image);
            QtSurface s(painter, printing);
            s.SelectPen({PenSolid, 1, 0x000000});
            s.MoveTo(5, 20);
            s.LineTo(35, 20);
        }
        int thickness = 0;
        for (int y = 0; y < 40; ++y) thickness += PixelAt(image, 20, y) == 0x000000u;
        EXPECT_EQ(thickness, printing ? 6 : 1) << (printing ? "printing" : "screen");
    }
}

TEST(QtSurface, InvertingTwiceRestoresThePicture) {
    EnsureApplication();
    QImage image = WhiteImage(60, 30);
    QImage before;
    {
        QPainter painter(&image);
        QtSurface s(painter);
        s.FillSolid({0, 0, 30, 30}, 0x123456);
        painter.end();
        before = image.copy();
        painter.begin(&image);
        InvertBand(s, {0, 0, 60, 30}, 45, 10);
        painter.end();
        EXPECT_EQ(PixelAt(image, 10, 5), 0xEDCBA9u);
        EXPECT_EQ(PixelAt(image, 44, 29), 0x000000u);
        EXPECT_EQ(PixelAt(image, 45, 0), 0xFFFFFFu);
        painter.begin(&image);
        InvertBand(s, {0, 0, 60, 30}, 10, 45);
    }
    EXPECT_EQ(image, before);
}

TEST(QtSurface, TextIsMeasuredAndDrawnWhereAsked) {
    EnsureApplication();
    QImage image = WhiteImage(200, 200);
    {
        QPainter painter(&image);
        QtSurface s(painter);
        s.SelectFont({20, 400, false, false});
        const SurfaceSize size = s.TextExtent("Impedance");
        EXPECT_GT(size.cx, 40);
        EXPECT_LE(size.cy, 20);
        EXPECT_GE(size.cy, 16);
        s.SetTextColor(0x000000);
        s.TextOut(10, 10, "Impedance");
        s.SelectFont({20, 700, true, true});
        s.TextOut(150, 190, "Up");  // reads upward from (150, 190), right of x = 150
    }
    auto inkIn = [&](QRect r) {
        int ink = 0;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) ink += PixelAt(image, x, y) != 0xFFFFFF;
        }
        return ink;
    };
    EXPECT_GT(inkIn(QRect(10, 10, 80, 20)), 50);
    EXPECT_EQ(inkIn(QRect(0, 0, 200, 9)), 0);
    EXPECT_GT(inkIn(QRect(150, 150, 21, 40)), 20);
    EXPECT_EQ(inkIn(QRect(100, 100, 49, 100)), 0);
}

// Random traces drawn through the graph with and without the column reduction.
// mode 0 autoscales; 1 and 2 zoom in, clipped by the surface (1) or in value space (2).
QImage RenderTraces(int seed, bool reduce, bool xy, int mode) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 1);
    const int n = 6000 + seed * 3000;
    std::vector<std::vector<double>> xs(3), ys(3);
    for (int c = 0; c < 3; ++c) {
        double level = 0, phase = 0;
        for (int i = 0; i < n; ++i) {
            level += 0.05 * noise(random);
            if (random() % 997 == 0) level += 20 * noise(random);  // spikes
            phase += 0.001 + 0.0005 * c;
            ys[c].push_back(level + 2 * std::sin(phase * 30) + 0.5 * noise(random));
            xs[c].push_back(xy ? 10 * std::sin(phase * 7 + c) + 0.2 * noise(random) : i);
        }
    }
    QImage image = WhiteImage(300 + seed * 37, 200 + seed * 11);
    QPainter painter(&image);
    QtSurface s(painter);
    CPlotGraph graph(s, {0, 0, image.width(), image.height()});
    graph.columnReduction = reduce ? 1 : 0;
    graph.deviceClip = mode == 1 ? 1 : 0;
    graph.gridOn = 1;
    const Color colours[] = {0x000000, 0x0000FF, 0xFF0000};
    for (int c = 0; c < 3; ++c) {
        if (xy) {
            graph.AddCurve(n, xs[c].data(), ys[c].data(), PlotConnect, colours[c]);
        } else {
            graph.AddUniformCurve(n, 0.5, 1.0 / 512, ys[c].data(), PlotConnect, colours[c]);
        }
    }
    if (mode > 0) graph.SetRange(5, 30, -4, 4);  // much of every trace lies outside
    EXPECT_TRUE(graph.Draw());
    return image;
}

TEST(QtSurface, ColumnReductionIsPixelIdentical) {
    EnsureApplication();
    for (int seed = 0; seed < 3; ++seed) {
        for (bool xy : {false, true}) {
            for (int mode : {0, 1, 2}) {
                SCOPED_TRACE(testing::Message()
                             << "seed " << seed << " xy " << xy << " mode " << mode);
                const QImage all = RenderTraces(seed, false, xy, mode);
                const QImage reduced = RenderTraces(seed, true, xy, mode);
                ASSERT_EQ(all.size(), reduced.size());
                int differing = 0;
                if (all != reduced) {
                    for (int y = 0; y < all.height(); ++y) {
                        for (int x = 0; x < all.width(); ++x) {
                            differing += all.pixel(x, y) != reduced.pixel(x, y);
                        }
                    }
                }
                EXPECT_EQ(differing, 0);
            }
        }
    }
}

// A lab chart with every kind of curve; saved as PNG when PELMOR_PLOT_SAMPLE names a file.
TEST(QtSurface, SampleChartHasFrameLabelsAndCurves) {
    EnsureApplication();
    QImage image = WhiteImage(900, 500);
    std::vector<double> t(2048), v(2048), fx, fy;
    for (int i = 0; i < 2048; ++i) {
        t[i] = i / 256.0;
        v[i] = 3 * std::sin(2 * M_PI * 1.5 * t[i]) + 0.8 * std::sin(2 * M_PI * 7 * t[i]);
    }
    for (int k = 1; k <= 12; ++k) {
        fx.push_back(k * 0.7);
        fy.push_back(4 - 0.25 * k + 0.3 * std::sin(k));
    }
    {
        QPainter painter(&image);
        QtSurface s(painter);
        s.SunkenEdge({0, 0, 900, 500});
        CPlotGraph graph(s, {3, 3, 897, 497});
        graph.SetTitles("Time [s]", "Pressure [V]");
        graph.gridOn = 1;
        graph.gridColor = 0x808080;
        graph.extendToTicks = 0;
        graph.deviceClip = 1;
        graph.AddUniformCurve(2048, 0, 1.0 / 256, v.data(), PlotConnect, 0x000000);
        graph.AddCurve(12, fx.data(), fy.data(), PlotConnect | PlotCircle | PlotThick, 0x0000FF);
        graph.AddCurve(12, fx.data(), fy.data(), PlotBar, 0x008000);
        graph.SetRange(0, 8, -5, 5);
        ASSERT_TRUE(graph.Draw());
        s.DrawIcon(SurfaceIcon::Scale, 3, 497 - 20, 0x000000);
        const SurfaceRect f = graph.FrameRect();
        EXPECT_EQ(PixelAt(image, f.left, (f.top + f.bottom) / 2 + 3), 0x000000u);
        int red = 0, black = 0;
        for (int y = f.top + 1; y < f.bottom; ++y) {
            for (int x = f.left + 1; x < f.right; ++x) {
                red += PixelAt(image, x, y) == 0x0000FF;
                black += PixelAt(image, x, y) == 0x000000;
            }
        }
        EXPECT_GT(red, 100);
        EXPECT_GT(black, 1000);
    }
    // The sunken edge: dark above and left, light below and right.
    EXPECT_EQ(PixelAt(image, 0, 0), 0x808080u);
    EXPECT_EQ(PixelAt(image, 1, 1), 0x404040u);
    EXPECT_EQ(PixelAt(image, 899, 499), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(image, 898, 498), 0xE0E0E0u);
    // The scale icon: its square outline, an arrow's tip near each side, an empty centre.
    const int ix = 3, iy = 497 - 20;
    for (QPoint p : {QPoint(0, 0), QPoint(20, 20), QPoint(10, 3), QPoint(10, 17), QPoint(3, 10),
                     QPoint(17, 10), QPoint(8, 5)}) {
        EXPECT_EQ(PixelAt(image, ix + p.x(), iy + p.y()), 0x000000u) << p.x() << "," << p.y();
    }
    EXPECT_EQ(PixelAt(image, ix + 10, iy + 10), 0xFFFFFFu);
    if (const char* path = std::getenv("PELMOR_PLOT_SAMPLE")) image.save(path);
}

}  // namespace
}  // namespace pelmor
