#pragma once

// One curve of a chart: the caller's arrays (not copied) and how to read and draw them.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Surface.h"

namespace pelmor {

// Style bits of a curve. Symbols are drawn in the order listed.
enum PlotFlag : uint32_t {
    PlotCircle = 0x0001,
    PlotSquare = 0x0002,
    PlotDiamond = 0x0004,
    PlotCross = 0x0008,
    PlotTriangleBelow = 0x0010,
    PlotTriangleAbove = 0x0020,
    PlotBar = 0x0040,
    PlotConnect = 0x8000,
    PlotThick = 0x10000,
    PlotDashed = 0x20000,  // lines drawn dashed (a model curve beside measured ones)
};
constexpr uint32_t kPlotSymbolMask = 0x3F;

// How an array element is read. Any code above 12 reads an unsigned 8-bit element.
enum PlotElementType : int32_t {
    PlotFloat32 = 0,
    PlotFloat64 = 1,
    PlotFloat64Alt = 2,
    PlotInt8 = 3,
    PlotUInt8 = 4,
    PlotInt16 = 5,
    PlotUInt16 = 6,
    PlotInt32 = 7,
    PlotUInt32 = 8,
    PlotInt32Alt = 9,
    PlotUInt32Alt = 10,
    PlotIndex = 11,  // no array: the element is its index
    PlotIndexAlt = 12,
};

using PlotValueTransform = double (*)(double);

struct PlotCurve {
    int32_t count = 0;
    const void* xValues = nullptr;
    const void* yValues = nullptr;
    double xStart = 0;
    double xStep = 1;
    uint32_t flags = 0;
    Color color = 0;
    int32_t penWidth = 1;
    int32_t xType = PlotFloat64;
    int32_t yType = PlotFloat64;
    int32_t xStride = 1;
    int32_t yStride = 1;
    PlotValueTransform xTransform = nullptr;
    PlotValueTransform yTransform = nullptr;

    // Equally spaced x: x(i) = xStart + xStep × xStride × i.
    bool IsUniform() const { return xType == PlotIndex || xType == PlotIndexAlt; }
    double X(int32_t i) const;
    double Y(int32_t i) const;
};

// Element i of an array of the given type and stride, as a double.
double ReadPlotElement(const void* values, int32_t type, int32_t stride, int32_t i);

// Replaces every run of consecutive points that share one pixel column by its first, lowest,
// highest and last point, in the order they occur (dropping repeats). A line through the result
// covers exactly the pixels of a line through every point, so a long trace costs no more than
// four points per column. Appends to `out`.
void ReducePixelColumns(const SurfacePoint* points, std::size_t count,
                        std::vector<SurfacePoint>& out);

// The same reduction, fed one point at a time; Finish ends the trace.
class PixelColumnReducer {
  public:
    explicit PixelColumnReducer(std::vector<SurfacePoint>& out) : out_(out), start_(out.size()) {}
    void Add(SurfacePoint p) {
        ++added_;
        if (runLength_ > 0 && p.x == first_.x) {
            last_ = p;
            if (p.y < low_.y) {
                low_ = p;
                lowAt_ = runLength_;
            }
            if (p.y > high_.y) {
                high_ = p;
                highAt_ = runLength_;
            }
            ++runLength_;
            return;
        }
        EndRun();
        first_ = low_ = high_ = last_ = p;
        lowAt_ = highAt_ = 0;
        runLength_ = 1;
    }
    void Finish();
    // Starts a new trace after its output has been taken away.
    void Restart() {
        start_ = out_.size();
        added_ = 0;
        runLength_ = 0;
    }

  private:
    void EndRun();
    void Emit(SurfacePoint p, bool first);

    std::vector<SurfacePoint>& out_;
    std::size_t start_;
    std::size_t added_ = 0;
    SurfacePoint first_{}, low_{}, high_{}, last_{};
    std::size_t lowAt_ = 0, highAt_ = 0, runLength_ = 0;
};

}  // namespace pelmor
