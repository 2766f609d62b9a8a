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

}  // namespace pelmor
