// Writes a seed for the device_stream target: a short measurement on the device emulator,
// written in the target's input language (the rate and mask bytes, then every answer the
// converter gave, with the target's decision bytes where it takes them). Built by hand by
// fuzz/make_corpus.sh; not part of the build.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "device/AcquisitionThread.h"
#include "device/DeviceEmulator.h"
#include "platform/Clock.h"
#include "platform/UserInterface.h"

namespace {

using namespace pelmor;

class Quiet : public UserInterface {
  public:
    void ShowMessage(const std::string&) override {}
    bool AskYesNo(Question, const std::string&) override { return true; }
};

class Sink : public RecordingSink {
  public:
    int SaveRecording(const Recording&) override { return 0; }
};

// Time moves only when the acquisition sleeps.
class InstantClock : public Clock {
  public:
    int64_t CalendarSeconds() override { return 0; }
    int64_t Milliseconds() override { return ms_; }
    void SleepMilliseconds(int64_t m) override { ms_ += m; }
    std::string FormatLocalTime(const char*, int64_t) override { return {}; }
    int64_t ms_ = 0;
};

// The emulator, with every answer logged as the target reads it back.
class Tee : public SerialDriver {
  public:
    Tee(DeviceEmulator& e, MeasurementState& s, std::vector<uint8_t>& log, int reads)
        : e_(e), s_(s), log_(log), readsLeft_(reads) {}
    int ListDevices() override { return e_.ListDevices(); }
    int DeviceInfo(int i) override {
        log_.push_back(1);  // any value not a multiple of 8: found
        return e_.DeviceInfo(i);
    }
    int Open(int i) override {
        log_.push_back(1);
        return e_.Open(i);
    }
    int SetTransferSizes(uint32_t a, uint32_t b) override { return e_.SetTransferSizes(a, b); }
    int SetLatencyTimer(uint8_t m) override { return e_.SetLatencyTimer(m); }
    int SetDataCharacteristics(uint8_t a, uint8_t b, uint8_t c) override {
        return e_.SetDataCharacteristics(a, b, c);
    }
    int SetTimeouts(uint32_t a, uint32_t b) override { return e_.SetTimeouts(a, b); }
    int SetFlowControl(uint16_t a, uint8_t b, uint8_t c) override {
        return e_.SetFlowControl(a, b, c);
    }
    int SetBaudRate(uint32_t b) override { return e_.SetBaudRate(b); }
    int Purge(uint32_t m) override { return e_.Purge(m); }
    int Write(const uint8_t* d, uint32_t n, uint32_t& w) override { return e_.Write(d, n, w); }
    int Read(uint8_t* b, uint32_t n, uint32_t& r) override {
        const int status = e_.Read(b, n, r);
        log_.insert(log_.end(), b, b + r);
        if (n > 1) {
            log_.push_back(1);  // no change of the recording state
            log_.push_back(1);  // no stop
            if (--readsLeft_ == 0) s_.stopRequested = 1;
        }
        return status;
    }
    int Close() override { return e_.Close(); }

  private:
    DeviceEmulator& e_;
    MeasurementState& s_;
    std::vector<uint8_t>& log_;
    int readsLeft_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s RATE_INDEX MASK OUT\n", argv[0]);
        return 2;
    }
    static MeasurementState state;
    InstantClock clock;
    DeviceEmulator emulator({.realtime = false}, &clock);
    std::vector<uint8_t> log = {static_cast<uint8_t>(std::atoi(argv[1])),
                                static_cast<uint8_t>(std::strtol(argv[2], nullptr, 16))};
    Tee tee(emulator, state, log, 3);
    Quiet ui;
    Sink sink;
    AcquisitionParameters p;
    p.sampleRateIndex = log[0];
    p.channelMask = log[1];
    state.targetFrames = 1 << 20;
    state.measurementRunning = 1;
    RunAcquisition(p, {state, tee, ui, clock, sink});
    std::FILE* f = std::fopen(argv[3], "wb");
    if (f == nullptr) return 1;
    std::fwrite(log.data(), 1, log.size(), f);
    return std::fclose(f) == 0 ? 0 : 1;
}
