#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "numerics/Random.h"
#include "platform/SerialDriver.h"

namespace pelmor {

class Clock;

// How the emulated instrument behaves. Parsed from one text of key=value pairs separated by
// commas, for example "R=0.3,C=0,realtime=0,fault=silent_after:2".
struct EmulatorOptions {
    // The measured object: Z(f) = R + j(2 pi f L - 1 / (2 pi f C)); C = 0 means no capacitor.
    double resistance = 0.25;
    double inductance = 0.001;
    double capacitance = 0.25;
    // The object seen while the emulated breathing flow is negative (expiration); each value
    // left unset is the one above.
    std::optional<double> expResistance;
    std::optional<double> expInductance;
    std::optional<double> expCapacitance;
    double breathHz = 0.25;
    double breathVolts = 1.0;
    double noiseVolts = 0.0;
    // Paced at 1024 frames per second by the clock; otherwise frames are ready when read.
    bool realtime = true;
    // Faults; a negative time means the fault is off.
    double silentAfterSeconds = -1.0;
    double disconnectAfterSeconds = -1.0;
    bool shortEcho = false;
};

// Parses an option text into options (starting from the values already there). Returns false
// and names the first bad pair in error when a key is unknown or a value is not a number; the
// pairs before it stay applied.
bool ParseEmulatorOptions(const std::string& text, EmulatorOptions& options, std::string& error);

// An in-process stand-in for the measuring device behind its serial converter, for tests, demos
// and fault injection. It lists two devices, answers the command language byte by byte (one
// echo for every command character and every single parameter byte; none for the bytes of the
// generator tables), keeps the generator table and the channel mask, and after "!S" streams
// 1024 frames per second of 24-bit big-endian samples, highest slot first, until ESC.
//
// Signals: slot 1 is the generator output, (code - 32768) / 6553 volts; slot 0 the steady-state
// response of Z(f) to it, computed per harmonic of the 2 s table, so that slot 0 / slot 1 is Z at
// every excitation frequency; slot 2 a breathing flow; further slots small distinct signals. While
// the breathing flow is negative, slot 0 is the response of the expiratory object instead. In
// sweep mode the 128-point sine table is played at the frequencies of the reload values.
class DeviceEmulator : public SerialDriver {
  public:
    static constexpr int kDeviceCount = 2;

    // clock paces the stream and the read timeouts; nullptr uses the system clock.
    explicit DeviceEmulator(const EmulatorOptions& options = {}, Clock* clock = nullptr);
    ~DeviceEmulator() override;

    int ListDevices() override;
    int DeviceInfo(int index) override;
    int Open(int index) override;
    int SetTransferSizes(uint32_t inSize, uint32_t outSize) override;
    int SetLatencyTimer(uint8_t milliseconds) override;
    int SetDataCharacteristics(uint8_t bits, uint8_t stopBits, uint8_t parity) override;
    int SetTimeouts(uint32_t readMilliseconds, uint32_t writeMilliseconds) override;
    int SetFlowControl(uint16_t mode, uint8_t xon, uint8_t xoff) override;
    int SetBaudRate(uint32_t baudRate) override;
    int Purge(uint32_t mask) override;
    int Write(const uint8_t* data, uint32_t count, uint32_t& written) override;
    int Read(uint8_t* buffer, uint32_t count, uint32_t& received) override;
    int Close() override;

    // What the device has taken in since it was constructed, byte for byte, across opens.
    const std::vector<uint8_t>& ReceivedBytes() const { return received_; }
    // Echo bytes sent but not yet read by the host.
    std::size_t PendingEchoes() const { return echoes_.size(); }
    bool IsStreaming() const { return streaming_; }
    bool IsOpen() const { return open_; }
    uint8_t ChannelMask() const { return mask_; }
    const std::array<uint16_t, 2048>& Table() const { return table_; }

  private:
    enum class Parse { kIdle, kCommand, kParameters, kStreaming };

    void TakeByte(uint8_t byte);
    void BeginCommand(uint8_t command);
    void EndParameters();
    void StartStreaming();
    void Echo(uint8_t byte);
    void PrepareResponse();
    bool Expiring(int64_t frame) const;
    void PrepareSweep();
    int64_t FramesDue() const;
    int64_t FrameLimit() const;
    bool CheckDisconnect();
    void AppendFrame(int64_t frame);
    double SlotVolts(int slot, int64_t frame) const;
    double SweepFrequency(int64_t frame) const;
    double Noise();

    EmulatorOptions options_;
    std::unique_ptr<Clock> ownClock_;
    Clock& clock_;

    bool open_ = false;
    bool disconnected_ = false;
    bool echoDropped_ = false;
    int64_t readTimeout_ = 2000;
    std::vector<uint8_t> received_;
    std::deque<uint8_t> echoes_;

    // Command parser.
    Parse parse_ = Parse::kIdle;
    uint8_t command_ = 0;
    int echoedLeft_ = 0;  // parameter bytes still to come that are echoed one by one
    int tableLeft_ = 0;   // table bytes still to come, not echoed
    std::vector<uint8_t> parameters_;

    // Device state.
    std::array<uint16_t, 2048> table_{};
    std::array<uint16_t, 128> sineTable_{};
    std::array<uint16_t, 128> sweepReloads_{};
    uint16_t generatorReload_ = 0;
    uint16_t sweepStepReload_ = 0;
    bool sweepLoaded_ = false;
    uint8_t mask_ = 0;
    uint8_t generatorMode_ = 0;

    // Stream.
    bool streaming_ = false;
    int64_t streamStartMs_ = 0;
    int64_t framesSent_ = 0;
    int channelCount_ = 0;
    std::vector<uint8_t> frameBytes_;  // bytes of the frame being sent
    std::size_t frameCursor_ = 0;
    std::vector<double> response_;     // slot 0 over one table period, volts
    std::vector<double> expResponse_;  // the same for the expiratory object
    double sweepPosition_ = 0.0;       // position in the 128-point sine table, sweep mode
    double sweepAmplitude_ = 0.0;      // volts of the sine table's swing
    double sweepMean_ = 0.0;           // volts of the sine table's mean
    KissRandom random_;
};

}  // namespace pelmor
