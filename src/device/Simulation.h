#pragma once

#include "device/Acquisition.h"

namespace pelmor {

// The measurement without a device: every measured slot receives the generator table, inverted
// and in volts, plus a 1 V breathing sine, block by block with a 100 ms pause, through the same
// trace buffers and recording path as the device. Sets measurementRunning = 1 at its start and
// returns with every shared word at 0. Returns 0.
int RunSimulation(const AcquisitionParameters& parameters, const AcquisitionContext& context);

}  // namespace pelmor
