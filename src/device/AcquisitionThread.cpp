#include "device/AcquisitionThread.h"

#include <vector>

#include "device/BlockRecorder.h"
#include "device/DeviceProtocol.h"
#include "device/Simulation.h"
#include "device/UsbLink.h"
#include "platform/Clock.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {

// One parameter byte on its own, optionally followed by its echo read.
void SendParameter(UsbLink& link, int value, bool echo) {
    link.WriteByte(value);
    if (echo) link.ReadByte();
}

// "!g" and "!f": a reload sent high byte first with echoes, then a 128-entry table of 16-bit
// values, low byte first, without echoes.
void SendTableCommand(UsbLink& link, const char* command, int32_t reload, const int32_t* table) {
    link.WriteString(command);
    SendParameter(link, reload >> 8, true);
    SendParameter(link, reload, true);
    for (int i = 0; i < 128; ++i) {
        SendParameter(link, table[i], false);
        SendParameter(link, table[i] >> 8, false);
    }
}

void ProgramGenerator(UsbLink& link, const AcquisitionParameters& p,
                      const MeasurementState& state) {
    if (p.sweep.enabled) {
        int32_t table[128];
        for (int i = 0; i < 128; ++i) table[i] = SineCode(i);
        SendTableCommand(link, "!g", GeneratorReload(p.sweep.startFrequency), table);
        for (int i = 0; i < 128; ++i)
            table[i] = SweepReload(i, p.sweep.startFrequency, p.sweep.endFrequency);
        SendTableCommand(link, "!f", SweepStepReload(p.sweep.period), table);
    } else {
        link.WriteString("!N");
        uint8_t bytes[2 * kExcitationTableSize];
        for (int i = 0; i < kExcitationTableSize; ++i) {
            bytes[2 * i] = static_cast<uint8_t>(state.excitationTable[i]);
            bytes[2 * i + 1] = static_cast<uint8_t>(state.excitationTable[i] >> 8);
        }
        link.WriteBlock(bytes, sizeof bytes);
    }
}

void ProgramInputs(UsbLink& link, const AcquisitionParameters& p) {
    link.WriteString("!d");
    SendParameter(link, 0x80, true);
    SendParameter(link, 0x00, true);
    link.WriteString("!D");
    SendParameter(link, 0x80, true);
    SendParameter(link, 0x00, true);
    link.WriteString("!M");
    SendParameter(link, p.channelMask & 0xFF, true);
    link.WriteString("!C");
    for (int value : {0x5C, 0x5B, 0x01, 0x01}) SendParameter(link, value, true);
}

// Reads blocks until stopRequested; averages d device frames into one output sample.
void Stream(UsbLink& link, const AcquisitionParameters& p, MeasurementState& state,
            BlockRecorder& recorder) {
    const int n = p.ChannelCount();
    const int d = p.Decimation();
    const int blockSize = p.BlockSize();
    const int frameBytes = 3 * n;
    std::vector<uint8_t> block(static_cast<std::size_t>(d) * blockSize * frameBytes);
    while (state.stopRequested.load() == 0) {
        link.ReadBlock(block.data(), static_cast<int>(block.size()));
        recorder.BeginBlock();
        for (int i = 0; i < blockSize; ++i) {
            const bool recording = recorder.BeginSample();
            for (int c = 0; c < n; ++c) {
                // Slot c sits at position n - 1 - c of a frame.
                const uint8_t* sample =
                    block.data() + static_cast<std::size_t>(i) * d * frameBytes + 3 * (n - 1 - c);
                int32_t value = 0;
                if (d <= 1) {
                    value = DecodeSample(sample);
                } else {
                    for (int j = 0; j < d; ++j) value += DecodeSample(sample + j * frameBytes) / d;
                }
                if (recording) recorder.Collect(value);
                state.buffers[c].Append(value / kRawPerVolt);
            }
        }
        recorder.EndBlock();
    }
}

}  // namespace

int RunAcquisition(const AcquisitionParameters& parameters, const AcquisitionContext& context) {
    MeasurementState& state = context.state;
    try {
        const int n = parameters.ChannelCount();
        if (n == 0) {
            // Nothing to measure: the device is never touched.
            FinishMeasurement(state);
            return 0;
        }
        BlockRecorder recorder(state, n, parameters.BlockSize());
        bool failed = false;
        {
            UsbLink link(context.driver, context.clock);
            link.EnableErrorExceptions();
            if (link.Open(parameters.deviceIndex, parameters.baudRate) != UsbLink::kOpenOk) {
                link.Close();
                context.ui.ShowMessage("Device not found. Simulation mode will be executed.");
                state.stopRequested = 0;
                RunSimulation(parameters, context);
                return 1;
            }
            state.measurementRunning = 1;
            const uint8_t escape = kEscapeByte;
            link.SetCloseSequence(&escape, 1);
            link.Purge();
            try {
                ProgramGenerator(link, parameters, state);
                ProgramInputs(link, parameters);
                state.recordedFrames = 0;
                link.WriteString("!G");
                SendParameter(link, parameters.sweep.enabled ? 3 : 0, true);
                state.recordingStartTime = context.clock.CalendarSeconds();
                link.WriteString("!S");
                Stream(link, parameters, state, recorder);
                link.WriteByte(kEscapeByte);
                link.WriteByte(kEscapeByte);
                link.Close();
            } catch (int) {
                failed = true;
            }
            if (failed) {
                // The close sequence to a device that has gone fails as well; the handle is
                // closed all the same and the failure goes no further.
                try {
                    link.Close();
                } catch (int) {
                }
            }
        }
        if (failed) context.ui.ShowMessage("Device communication error.");
        SaveAndFinish(parameters, context, recorder, failed);
    } catch (...) {
        // Out of memory, or a failure in the save step: the measurement still ends cleanly.
        FinishMeasurement(state);
    }
    return 0;
}

AcquisitionThread::~AcquisitionThread() { Join(); }

void AcquisitionThread::Start(const AcquisitionParameters& parameters,
                              const AcquisitionContext& context) {
    // The previous thread cleared measurementRunning as its last act, so this join returns at
    // once.
    Join();
    thread_ = std::thread([parameters, context] { RunAcquisition(parameters, context); });
}

void AcquisitionThread::Join() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace pelmor
