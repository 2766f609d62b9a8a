#include "DeviceTestSupport.h"

#include <algorithm>

#include "core/NumberFormat.h"
#include "device/AcquisitionThread.h"

namespace pelmor::test {

int ScriptedDriver::ListDevices() {
    calls.push_back("list");
    return deviceCount;
}
int ScriptedDriver::DeviceInfo(int index) {
    calls.push_back(Format("info %d", index));
    return index >= 0 && index < deviceCount ? kSerialOk : kSerialDeviceNotFound;
}
int ScriptedDriver::Open(int index) {
    calls.push_back(Format("open %d", index));
    return openStatus;
}
int ScriptedDriver::SetTransferSizes(uint32_t inSize, uint32_t outSize) {
    calls.push_back(Format("transfer %u %u", inSize, outSize));
    return kSerialOk;
}
int ScriptedDriver::SetLatencyTimer(uint8_t milliseconds) {
    calls.push_back(Format("latency %d", milliseconds));
    return kSerialOk;
}
int ScriptedDriver::SetDataCharacteristics(uint8_t bits, uint8_t stopBits, uint8_t parity) {
    calls.push_back(Format("data %d %d %d", bits, stopBits, parity));
    return kSerialOk;
}
int ScriptedDriver::SetTimeouts(uint32_t readMilliseconds, uint32_t writeMilliseconds) {
    calls.push_back(Format("timeouts %u %u", readMilliseconds, writeMilliseconds));
    return kSerialOk;
}
int ScriptedDriver::SetFlowControl(uint16_t mode, uint8_t xon, uint8_t xoff) {
    calls.push_back(Format("flow %d %d %d", mode, xon, xoff));
    return kSerialOk;
}
int ScriptedDriver::SetBaudRate(uint32_t baudRate) {
    calls.push_back(Format("baud %u", baudRate));
    return kSerialOk;
}
int ScriptedDriver::Purge(uint32_t mask) {
    calls.push_back(Format("purge %u", mask));
    return kSerialOk;
}
int ScriptedDriver::Write(const uint8_t* data, uint32_t count, uint32_t& writtenCount) {
    writtenCount = writeLimit < 0 ? count : std::min<uint32_t>(count, writeLimit);
    written.insert(written.end(), data, data + writtenCount);
    calls.push_back(Format("write %u", count));
    return writeStatus;
}
int ScriptedDriver::Read(uint8_t* buffer, uint32_t count, uint32_t& received) {
    ++reads;
    calls.push_back(Format("read %u", count));
    received = readLimit < 0 ? count : std::min<uint32_t>(count, readLimit);
    for (uint32_t i = 0; i < received; ++i) buffer[i] = count == 1 ? 0x55 : frame[i % frame.size()];
    if (count > 1 && onBlockRead) onBlockRead();
    return readStatus;
}
int ScriptedDriver::Close() {
    calls.push_back("close");
    return kSerialOk;
}

void RunMeasurement(const AcquisitionParameters& parameters, const AcquisitionContext& context) {
    context.state.measurementRunning = 1;
    AcquisitionThread thread;
    thread.Start(parameters, context);
    thread.Join();
}

bool WordsAtRest(const MeasurementState& state) {
    return state.measurementRunning == 0 && state.stopRequested == 0 && state.recordingState == 0 &&
           state.recordedFrames == 0 && state.targetFrames == 0;
}

void PrepareBuffers(MeasurementState& state, const AcquisitionParameters& parameters) {
    for (auto& buffer : state.buffers) {
        buffer.SetSampleInterval(1.0 / parameters.SampleRate());
        buffer.Reset();
    }
}

}  // namespace pelmor::test
