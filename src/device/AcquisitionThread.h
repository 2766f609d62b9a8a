#pragma once

#include <thread>

#include "device/Acquisition.h"

namespace pelmor {

// The body of a measurement: opens the device at parameters.deviceIndex through a UsbLink over
// context.driver, programs it, streams blocks into the trace buffers and the recording until
// stopRequested is set (or the recording is complete), stops the device and saves an active
// recording through context.sink. Without a device it tells the user and runs the simulation.
// Expects measurementRunning = 1 (set by the starter); returns with every shared word at 0.
// Returns 1 when the simulation ran, else 0. Never throws.
int RunAcquisition(const AcquisitionParameters& parameters, const AcquisitionContext& context);

// The measurement thread. It exists only while a measurement runs; the user-interface thread
// never waits for it and learns of its end from measurementRunning.
class AcquisitionThread {
  public:
    AcquisitionThread() = default;
    // Waits for a thread that is still running (only at exit, when no measurement may run).
    ~AcquisitionThread();
    AcquisitionThread(const AcquisitionThread&) = delete;
    AcquisitionThread& operator=(const AcquisitionThread&) = delete;

    // Starts RunAcquisition on a new thread. The caller has seen measurementRunning at 0, has
    // set it to 1 and has built the excitation table.
    void Start(const AcquisitionParameters& parameters, const AcquisitionContext& context);
    // Blocks until the current thread, if any, has ended (tests and shutdown).
    void Join();

  private:
    std::thread thread_;
};

}  // namespace pelmor
