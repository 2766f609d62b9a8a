#include "platform/Surface.h"

#include <algorithm>

namespace pelmor {

SurfaceRect IntersectRects(const SurfaceRect& a, const SurfaceRect& b) {
    SurfaceRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                  std::min(a.bottom, b.bottom)};
    if (r.IsEmpty()) return SurfaceRect{r.left, r.top, r.left, r.top};
    return r;
}

void Surface::SunkenEdge(const SurfaceRect& r) {
    if (r.Width() < 4 || r.Height() < 4) return;
    constexpr Color kShadow = 0x808080, kHighlight = 0xFFFFFF;
    constexpr Color kDarkShadow = 0x404040, kLight = 0xE0E0E0;
    // Outer ring: shadow above and left, highlight below and right.
    FillSolid({r.left, r.top, r.right - 1, r.top + 1}, kShadow);
    FillSolid({r.left, r.top, r.left + 1, r.bottom - 1}, kShadow);
    FillSolid({r.left, r.bottom - 1, r.right, r.bottom}, kHighlight);
    FillSolid({r.right - 1, r.top, r.right, r.bottom}, kHighlight);
    // Inner ring: dark shadow above and left, light below and right.
    FillSolid({r.left + 1, r.top + 1, r.right - 2, r.top + 2}, kDarkShadow);
    FillSolid({r.left + 1, r.top + 1, r.left + 2, r.bottom - 2}, kDarkShadow);
    FillSolid({r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1}, kLight);
    FillSolid({r.right - 2, r.top + 1, r.right - 1, r.bottom - 1}, kLight);
}

void Surface::DrawIcon(SurfaceIcon icon, int32_t x, int32_t y, Color color) {
    if (icon != SurfaceIcon::Scale) return;
    constexpr int32_t n = kIconSize;  // 21: pixels 0 … 20
    FillSolid({x, y, x + n, y + 1}, color);
    FillSolid({x, y + n - 1, x + n, y + n}, color);
    FillSolid({x, y, x + 1, y + n}, color);
    FillSolid({x + n - 1, y, x + n, y + n}, color);
    // The arrow pointing up, in icon coordinates; the other three are it turned about the centre.
    struct Run {
        int32_t row, from, to;
    };
    constexpr Run kUp[] = {{3, 10, 10}, {4, 9, 11}, {5, 8, 12}, {6, 10, 10}, {7, 10, 10}};
    for (int turn = 0; turn < 4; ++turn) {
        for (const Run& run : kUp) {
            for (int32_t col = run.from; col <= run.to; ++col) {
                int32_t px = col, py = run.row;
                for (int t = 0; t < turn; ++t) {
                    const int32_t nx = n - 1 - py, ny = px;
                    px = nx;
                    py = ny;
                }
                FillSolid({x + px, y + py, x + px + 1, y + py + 1}, color);
            }
        }
    }
}

}  // namespace pelmor
