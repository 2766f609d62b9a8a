#include "display/PlotCurve.h"

#include <cstddef>
#include <cstring>

namespace pelmor {

namespace {

template <typename T>
double Element(const void* values, std::ptrdiff_t index) {
    T v;
    std::memcpy(&v, static_cast<const unsigned char*>(values) + index * std::ptrdiff_t{sizeof(T)},
                sizeof(T));
    return static_cast<double>(v);
}

}  // namespace

double ReadPlotElement(const void* values, int32_t type, int32_t stride, int32_t i) {
    if (type == PlotIndex || type == PlotIndexAlt) return i;
    if (values == nullptr) return 0;
    const std::ptrdiff_t at = std::ptrdiff_t{stride} * i;
    switch (type) {
        case PlotFloat32:
            return Element<float>(values, at);
        case PlotFloat64:
        case PlotFloat64Alt:
            return Element<double>(values, at);
        case PlotInt8:
            return Element<int8_t>(values, at);
        case PlotInt16:
            return Element<int16_t>(values, at);
        case PlotUInt16:
            return Element<uint16_t>(values, at);
        case PlotInt32:
        case PlotInt32Alt:
            return Element<int32_t>(values, at);
        case PlotUInt32:
        case PlotUInt32Alt:
            return Element<uint32_t>(values, at);
        default:
            return Element<uint8_t>(values, at);
    }
}

double PlotCurve::X(int32_t i) const {
    double v = IsUniform() ? xStart + xStep * xStride * static_cast<double>(i)
                           : ReadPlotElement(xValues, xType, xStride, i);
    return xTransform ? xTransform(v) : v;
}

double PlotCurve::Y(int32_t i) const {
    const double v = ReadPlotElement(yValues, yType, yStride, i);
    return yTransform ? yTransform(v) : v;
}

void ReducePixelColumns(const SurfacePoint* points, std::size_t count,
                        std::vector<SurfacePoint>& out) {
    std::size_t i = 0;
    while (i < count) {
        const int32_t column = points[i].x;
        std::size_t end = i + 1, low = i, high = i;
        for (; end < count && points[end].x == column; ++end) {
            if (points[end].y < points[low].y) low = end;
            if (points[end].y > points[high].y) high = end;
        }
        const std::size_t last = end - 1;
        std::size_t picks[4] = {i, low < high ? low : high, low < high ? high : low, last};
        for (std::size_t k = 0; k < 4; ++k) {
            if (k > 0 && picks[k] == picks[k - 1]) continue;
            if (!out.empty() && out.back() == points[picks[k]] && k > 0) continue;
            out.push_back(points[picks[k]]);
        }
        i = end;
    }
    // A trace standing on one pixel still shows as that pixel.
    if (count > 1 && out.size() == 1) out.push_back(out.back());
}

}  // namespace pelmor
