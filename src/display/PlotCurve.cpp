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

void PixelColumnReducer::Emit(SurfacePoint p, bool first) {
    if (!first && out_.size() > start_ && out_.back() == p) return;
    out_.push_back(p);
}

void PixelColumnReducer::EndRun() {
    if (runLength_ == 0) return;
    const std::size_t lastAt = runLength_ - 1;
    Emit(first_, true);
    const bool lowFirst = lowAt_ < highAt_;
    const std::size_t at[2] = {lowFirst ? lowAt_ : highAt_, lowFirst ? highAt_ : lowAt_};
    const SurfacePoint middle[2] = {lowFirst ? low_ : high_, lowFirst ? high_ : low_};
    for (int k = 0; k < 2; ++k) {
        if (at[k] != 0 && at[k] != lastAt && (k == 0 || at[1] != at[0])) Emit(middle[k], false);
    }
    if (lastAt != 0) Emit(last_, false);
    runLength_ = 0;
}

void PixelColumnReducer::Finish() {
    EndRun();
    // A trace standing on one pixel still shows as that pixel.
    if (added_ > 1 && out_.size() == start_ + 1) out_.push_back(out_.back());
    start_ = out_.size();
    added_ = 0;
}

void ReducePixelColumns(const SurfacePoint* points, std::size_t count,
                        std::vector<SurfacePoint>& out) {
    PixelColumnReducer reducer(out);
    for (std::size_t i = 0; i < count; ++i) reducer.Add(points[i]);
    reducer.Finish();
}

}  // namespace pelmor
