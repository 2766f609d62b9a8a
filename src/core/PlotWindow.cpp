#include "core/PlotWindow.h"

#include "core/ByteIO.h"

namespace pelmor {

namespace {
void SetRange(PlotWindow& w, double xmin, double xmax, double ymin, double ymax) {
    w.xmin = xmin;
    w.xmax = xmax;
    w.ymin = ymin;
    w.ymax = ymax;
}
}  // namespace

void SetFactoryRanges(PlotSetup& setup) {
    for (int k = 0; k < 8; ++k) {
        SetRange(setup.windows[kSignalWindow0 + k], 0, 8, -5, 5);
        SetRange(setup.windows[kSpectrumWindow0 + k], 1, 50, 0, 5);
    }
    SetRange(setup.windows[kImpedanceFrequencyWindow], 0, 50, -10, 10);
    SetRange(setup.windows[kImpedanceTimeWindow], 0, 5, -0.2, 1.2);
    SetRange(setup.windows[kStoredImpedanceWindow], 0, 50, -10, 10);
    SetRange(setup.windows[kXYWindow], -5, 5, -5, 5);
}

std::vector<uint8_t> PlotSetupBytes(const PlotSetup& setup) {
    ByteWriter w;
    for (const PlotWindow& p : setup.windows) {
        w.U8(p.shown);
        w.Zeros(3);
        w.I32(p.left);
        w.I32(p.top);
        w.I32(p.right);
        w.I32(p.bottom);
        w.Zeros(4);
        w.F64(p.xmin);
        w.F64(p.xmax);
        w.F64(p.ymin);
        w.F64(p.ymax);
    }
    w.F64(setup.timeStep);
    return w.Take();
}

bool PlotSetupFromBytes(const std::vector<uint8_t>& bytes, PlotSetup& setup) {
    if (bytes.size() != kPlotSetupBytes) return false;
    ByteReader r(bytes);
    PlotSetup s;
    for (PlotWindow& p : s.windows) {
        p.shown = r.U8();
        r.Skip(3);
        p.left = r.I32();
        p.top = r.I32();
        p.right = r.I32();
        p.bottom = r.I32();
        r.Skip(4);
        p.xmin = r.F64();
        p.xmax = r.F64();
        p.ymin = r.F64();
        p.ymax = r.F64();
    }
    s.timeStep = r.F64();
    if (!r.Ok()) return false;
    setup = s;
    return true;
}

}  // namespace pelmor
