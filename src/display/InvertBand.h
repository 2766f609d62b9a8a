#pragma once

#include <cstdint>

#include "platform/Surface.h"

namespace pelmor {

// The time span being selected with the mouse: inverts the band between x1 and x2 over the
// client rectangle's whole height. A second call with the same values restores the picture, so
// the band is erased before each move of the mouse and drawn again after it.
void InvertBand(Surface& surface, const SurfaceRect& client, int32_t x1, int32_t x2);

}  // namespace pelmor
