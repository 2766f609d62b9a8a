#include "display/InvertBand.h"

#include <algorithm>

namespace pelmor {

void InvertBand(Surface& surface, const SurfaceRect& client, int32_t x1, int32_t x2) {
    if (x1 == x2) return;
    surface.InvertRect({std::min(x1, x2), client.top, std::max(x1, x2), client.bottom});
}

}  // namespace pelmor
