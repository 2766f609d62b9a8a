#include "device/DeviceEmulator.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/NumberFormat.h"
#include "numerics/Fft.h"
#include "platform/Clock.h"

namespace pelmor {

namespace {

constexpr uint8_t kEscape = 27;
constexpr int kFrameRate = 1024;
constexpr int kTableSize = 2048;
constexpr int kSineTableSize = 128;
constexpr double kCodesPerVolt = 6553.0;
constexpr double kCountsPerVolt = 8388608.0 / 10.0;  // 24-bit full scale is +-10 V
constexpr double kGeneratorClock = 62500.0;          // table steps per second per reload tick
constexpr double kTimerClock = 8000000.0;
constexpr int kTicksPerSweepStep = 32;
constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

// The measured object: series R, L and C (C = 0: no capacitor).
struct EmulatedObject {
    double resistance, inductance, capacitance;
};

EmulatedObject InspiratoryObject(const EmulatorOptions& o) {
    return {o.resistance, o.inductance, o.capacitance};
}

EmulatedObject ExpiratoryObject(const EmulatorOptions& o) {
    return {o.expResistance.value_or(o.resistance), o.expInductance.value_or(o.inductance),
            o.expCapacitance.value_or(o.capacitance)};
}

double Impedance(const EmulatedObject& z, double f, double& imaginary) {
    const double w = 2.0 * std::numbers::pi * f;
    imaginary = w * z.inductance;
    if (z.capacitance != 0.0) imaginary -= 1.0 / (w * z.capacitance);
    return z.resistance;
}

// The steady-state response of the object to the generator table, one table period.
std::vector<double> Response(const std::array<uint16_t, kTableSize>& table,
                             const EmulatedObject& z) {
    // Z(f) applied to every harmonic of the generator's 2 s period.
    std::vector<Complex> x(kTableSize);
    for (int i = 0; i < kTableSize; ++i) x[i].re = (table[i] - 32768.0) / kCodesPerVolt;
    Fft(0, 11, x.data());
    const double period = static_cast<double>(kTableSize) / kFrameRate;
    x[0].re *= z.resistance;  // the generator's mean level sees the resistance alone
    x[0].im = 0.0;
    for (int k = 1; k <= kTableSize / 2; ++k) {
        double zi = 0.0;
        const double zr = Impedance(z, k / period, zi);
        const Complex v = x[k];
        if (k == kTableSize / 2) {
            x[k] = {v.re * zr, 0.0};  // a real signal has no phase at half the frame rate
            continue;
        }
        x[k] = {v.re * zr - v.im * zi, v.re * zi + v.im * zr};
        x[kTableSize - k] = {x[k].re, -x[k].im};
    }
    Fft(1, 11, x.data());
    std::vector<double> response(kTableSize);
    for (int i = 0; i < kTableSize; ++i) response[i] = x[i].re;
    return response;
}

bool ParseSeconds(std::string_view text, std::string_view prefix, double& seconds) {
    if (text.substr(0, prefix.size()) != prefix) return false;
    return ParseDouble(text.substr(prefix.size()), seconds) && seconds >= 0.0;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool ParseEmulatorOptions(const std::string& text, EmulatorOptions& options, std::string& error) {
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view pair = Trim(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (pair.empty()) continue;
        const std::size_t equals = pair.find('=');
        const std::string_view key =
            Trim(equals == std::string_view::npos ? pair : pair.substr(0, equals));
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : Trim(pair.substr(equals + 1));
        bool ok = equals != std::string_view::npos;
        double number = 0.0;
        if (ok && key == "fault") {
            if (value == "short_echo") {
                options.shortEcho = true;
            } else if (ParseSeconds(value, "silent_after:", number)) {
                options.silentAfterSeconds = number;
            } else if (ParseSeconds(value, "disconnect_after:", number)) {
                options.disconnectAfterSeconds = number;
            } else {
                ok = false;
            }
        } else if (ok && ParseDouble(value, number) && std::isfinite(number)) {
            if (key == "R") {
                options.resistance = number;
            } else if (key == "L") {
                options.inductance = number;
            } else if (key == "C") {
                options.capacitance = number;
            } else if (key == "r_exp") {
                options.expResistance = number;
            } else if (key == "l_exp") {
                options.expInductance = number;
            } else if (key == "c_exp") {
                options.expCapacitance = number;
            } else if (key == "breath_hz") {
                options.breathHz = number;
            } else if (key == "breath_v") {
                options.breathVolts = number;
            } else if (key == "noise_v") {
                options.noiseVolts = number;
            } else if (key == "realtime") {
                options.realtime = number != 0.0;
            } else {
                ok = false;
            }
        } else {
            ok = false;
        }
        if (!ok) {
            error = "Unknown emulator option \"" + std::string(pair) + "\".";
            return false;
        }
    }
    return true;
}

DeviceEmulator::DeviceEmulator(const EmulatorOptions& options, Clock* clock)
    : options_(options),
      ownClock_(clock == nullptr ? std::make_unique<SystemClock>() : nullptr),
      clock_(clock == nullptr ? *ownClock_ : *clock) {
    random_.Seed(1);
}

DeviceEmulator::~DeviceEmulator() = default;

int DeviceEmulator::ListDevices() { return disconnected_ ? 0 : kDeviceCount; }

int DeviceEmulator::DeviceInfo(int index) {
    if (disconnected_) return kSerialIoError;
    return index >= 0 && index < kDeviceCount ? kSerialOk : kSerialDeviceNotFound;
}

int DeviceEmulator::Open(int index) {
    if (disconnected_) return kSerialIoError;
    if (index < 0 || index >= kDeviceCount) return kSerialDeviceNotFound;
    open_ = true;
    streaming_ = false;
    parse_ = Parse::kIdle;
    echoes_.clear();
    frameBytes_.clear();
    frameCursor_ = 0;
    return kSerialOk;
}

int DeviceEmulator::SetTransferSizes(uint32_t, uint32_t) {
    return open_ && !CheckDisconnect() ? kSerialOk : kSerialIoError;
}
int DeviceEmulator::SetLatencyTimer(uint8_t) {
    return open_ && !CheckDisconnect() ? kSerialOk : kSerialIoError;
}
int DeviceEmulator::SetDataCharacteristics(uint8_t, uint8_t, uint8_t) {
    return open_ && !CheckDisconnect() ? kSerialOk : kSerialIoError;
}
int DeviceEmulator::SetTimeouts(uint32_t readMilliseconds, uint32_t) {
    if (!open_ || CheckDisconnect()) return kSerialIoError;
    readTimeout_ = readMilliseconds;
    return kSerialOk;
}
int DeviceEmulator::SetFlowControl(uint16_t, uint8_t, uint8_t) {
    return open_ && !CheckDisconnect() ? kSerialOk : kSerialIoError;
}
int DeviceEmulator::SetBaudRate(uint32_t) {
    return open_ && !CheckDisconnect() ? kSerialOk : kSerialIoError;
}

int DeviceEmulator::Purge(uint32_t mask) {
    if (!open_ || CheckDisconnect()) return kSerialIoError;
    if (mask & kPurgeReceive) {
        echoes_.clear();
        if (streaming_) {
            frameBytes_.clear();
            frameCursor_ = 0;
            if (options_.realtime) framesSent_ = std::max(framesSent_, FramesDue());
        }
    }
    return kSerialOk;
}

int DeviceEmulator::Close() {
    if (CheckDisconnect()) {
        open_ = false;
        return kSerialIoError;
    }
    if (!open_) return kSerialDeviceNotOpened;
    open_ = false;
    streaming_ = false;
    return kSerialOk;
}

int DeviceEmulator::Write(const uint8_t* data, uint32_t count, uint32_t& written) {
    written = 0;
    if (CheckDisconnect()) return kSerialIoError;
    if (!open_) return kSerialDeviceNotOpened;
    for (uint32_t i = 0; i < count; ++i) {
        received_.push_back(data[i]);
        TakeByte(data[i]);
    }
    written = count;
    return kSerialOk;
}

int DeviceEmulator::Read(uint8_t* buffer, uint32_t count, uint32_t& received) {
    received = 0;
    if (CheckDisconnect()) return kSerialIoError;
    if (!open_) return kSerialDeviceNotOpened;
    const int64_t deadline = clock_.Milliseconds() + readTimeout_;
    for (;;) {
        while (received < count && !echoes_.empty()) {
            buffer[received++] = echoes_.front();
            echoes_.pop_front();
        }
        const bool framesFlow = streaming_ && channelCount_ > 0;
        if (framesFlow) {
            const int64_t available = std::min(FramesDue(), FrameLimit());
            while (received < count) {
                if (frameCursor_ == frameBytes_.size()) {
                    if (framesSent_ >= available) break;
                    AppendFrame(framesSent_++);
                }
                const std::size_t n =
                    std::min<std::size_t>(count - received, frameBytes_.size() - frameCursor_);
                std::copy_n(frameBytes_.data() + frameCursor_, n, buffer + received);
                frameCursor_ += n;
                received += static_cast<uint32_t>(n);
            }
        }
        if (received == count) return kSerialOk;
        if (CheckDisconnect()) return kSerialIoError;

        const int64_t now = clock_.Milliseconds();
        if (now >= deadline) return kSerialOk;  // a timeout: fewer bytes, no error status
        int64_t wake = deadline;
        if (framesFlow && options_.realtime && framesSent_ < FrameLimit()) {
            const int64_t frameSize = 3 * channelCount_;
            const int64_t pending = static_cast<int64_t>(frameBytes_.size() - frameCursor_);
            const int64_t needed = (count - received - pending + frameSize - 1) / frameSize;
            const int64_t target = std::min(framesSent_ + needed, FrameLimit());
            wake = std::min(wake, streamStartMs_ + (target * 1000 + kFrameRate - 1) / kFrameRate);
        }
        clock_.SleepMilliseconds(std::max<int64_t>(wake - now, 1));
    }
}

int64_t DeviceEmulator::FramesDue() const {
    if (!options_.realtime) return kNever;
    return (clock_.Milliseconds() - streamStartMs_) * kFrameRate / 1000;
}

int64_t DeviceEmulator::FrameLimit() const {
    int64_t limit = kNever;
    if (options_.silentAfterSeconds >= 0.0)
        limit = std::min(limit, static_cast<int64_t>(options_.silentAfterSeconds * kFrameRate));
    if (options_.disconnectAfterSeconds >= 0.0)
        limit = std::min(limit, static_cast<int64_t>(options_.disconnectAfterSeconds * kFrameRate));
    return limit;
}

bool DeviceEmulator::CheckDisconnect() {
    if (disconnected_) return true;
    if (!streaming_ || options_.disconnectAfterSeconds < 0.0) return false;
    const int64_t at = static_cast<int64_t>(options_.disconnectAfterSeconds * kFrameRate);
    // In real time the device goes at its moment; otherwise once its last frame has been sent.
    const bool gone = options_.realtime ? FramesDue() >= at
                                        : framesSent_ >= at && frameCursor_ == frameBytes_.size();
    if (gone) {
        disconnected_ = true;
        open_ = false;
        streaming_ = false;
    }
    return disconnected_;
}

void DeviceEmulator::Echo(uint8_t byte) {
    if (options_.shortEcho && !echoDropped_) {
        echoDropped_ = true;
        return;
    }
    echoes_.push_back(byte);
}

void DeviceEmulator::TakeByte(uint8_t byte) {
    switch (parse_) {
        case Parse::kIdle:
            if (byte == '!') {
                Echo(byte);
                parse_ = Parse::kCommand;
            }
            break;
        case Parse::kCommand:
            if (byte == kEscape) {
                parse_ = Parse::kIdle;
            } else {
                Echo(byte);
                BeginCommand(byte);
            }
            break;
        case Parse::kParameters:
            parameters_.push_back(byte);
            if (echoedLeft_ > 0) {
                Echo(byte);
                --echoedLeft_;
            } else {
                --tableLeft_;
            }
            if (echoedLeft_ == 0 && tableLeft_ == 0) EndParameters();
            break;
        case Parse::kStreaming:
            if (byte == kEscape) {
                streaming_ = false;
                frameBytes_.clear();
                frameCursor_ = 0;
                parse_ = Parse::kIdle;
            }
            break;
    }
}

void DeviceEmulator::BeginCommand(uint8_t command) {
    command_ = command;
    parameters_.clear();
    echoedLeft_ = 0;
    tableLeft_ = 0;
    switch (command) {
        case 'N':
            tableLeft_ = 2 * kTableSize;
            break;
        case 'g':
        case 'f':
            echoedLeft_ = 2;
            tableLeft_ = 2 * kSineTableSize;
            break;
        case 'd':
        case 'D':
            echoedLeft_ = 2;
            break;
        case 'M':
        case 'G':
            echoedLeft_ = 1;
            break;
        case 'C':
            echoedLeft_ = 4;
            break;
        case 'S':
            StartStreaming();
            return;
        default:
            break;
    }
    parse_ = echoedLeft_ + tableLeft_ > 0 ? Parse::kParameters : Parse::kIdle;
}

void DeviceEmulator::EndParameters() {
    const auto& p = parameters_;
    auto littleEndian = [&p](std::size_t at) {
        return static_cast<uint16_t>(p[at] | (p[at + 1] << 8));
    };
    auto bigEndian = [&p](std::size_t at) {
        return static_cast<uint16_t>((p[at] << 8) | p[at + 1]);
    };
    switch (command_) {
        case 'N':
            for (int i = 0; i < kTableSize; ++i) table_[i] = littleEndian(2 * i);
            break;
        case 'g':
            generatorReload_ = bigEndian(0);
            for (int i = 0; i < kSineTableSize; ++i) sineTable_[i] = littleEndian(2 + 2 * i);
            break;
        case 'f':
            sweepStepReload_ = bigEndian(0);
            for (int i = 0; i < kSineTableSize; ++i) sweepReloads_[i] = littleEndian(2 + 2 * i);
            sweepLoaded_ = true;
            break;
        case 'M':
            mask_ = p[0];
            break;
        case 'G':
            generatorMode_ = p[0];
            break;
        default:
            break;  // "!d", "!D" and "!C" settings do not change the emulated signals
    }
    parse_ = Parse::kIdle;
}

void DeviceEmulator::StartStreaming() {
    channelCount_ = std::popcount(mask_);
    streamStartMs_ = clock_.Milliseconds();
    framesSent_ = 0;
    frameBytes_.clear();
    frameCursor_ = 0;
    sweepPosition_ = 0.0;
    if (generatorMode_ == 3) {
        PrepareSweep();
    } else {
        PrepareResponse();
    }
    streaming_ = true;
    parse_ = Parse::kStreaming;
}

void DeviceEmulator::PrepareResponse() {
    // Slot 0 is the response of the inspiratory or the expiratory object.
    response_ = Response(table_, InspiratoryObject(options_));
    expResponse_ = Response(table_, ExpiratoryObject(options_));
}

bool DeviceEmulator::Expiring(int64_t frame) const { return SlotVolts(2, frame) < 0.0; }

void DeviceEmulator::PrepareSweep() {
    const auto [low, high] = std::minmax_element(sineTable_.begin(), sineTable_.end());
    double sum = 0.0;
    for (uint16_t code : sineTable_) sum += code;
    sweepAmplitude_ = (*high - *low) / 2.0 / kCodesPerVolt;
    sweepMean_ = (sum / kSineTableSize - 32768.0) / kCodesPerVolt;
}

double DeviceEmulator::SweepFrequency(int64_t frame) const {
    int reload = generatorReload_;
    if (sweepLoaded_) {
        const double stepFrames =
            kTicksPerSweepStep * (65536.0 - sweepStepReload_) / kTimerClock * kFrameRate;
        const int64_t step = static_cast<int64_t>(frame / stepFrames);
        reload = sweepReloads_[step % kSineTableSize];
    }
    return kGeneratorClock / (65536.0 - reload);
}

double DeviceEmulator::SlotVolts(int slot, int64_t frame) const {
    const double t = static_cast<double>(frame) / kFrameRate;
    const bool sweep = generatorMode_ == 3;
    switch (slot) {
        case 0: {
            const bool expiring = Expiring(frame);
            if (!sweep) return (expiring ? expResponse_ : response_)[frame % kTableSize];
            const EmulatedObject z =
                expiring ? ExpiratoryObject(options_) : InspiratoryObject(options_);
            double zi = 0.0;
            const double zr = Impedance(z, SweepFrequency(frame), zi);
            // The table step slot 1 shows at this frame, so both slots see the same sine.
            const double angle =
                2.0 * std::numbers::pi * std::floor(sweepPosition_) / kSineTableSize;
            return zr * sweepMean_ +
                   sweepAmplitude_ * (zr * std::sin(angle) + zi * std::cos(angle));
        }
        case 1: {
            const uint16_t code =
                sweep ? sineTable_[static_cast<int64_t>(sweepPosition_) % kSineTableSize]
                      : table_[frame % kTableSize];
            return (code - 32768.0) / kCodesPerVolt;
        }
        case 2:
            return options_.breathVolts * std::sin(2.0 * std::numbers::pi * options_.breathHz * t);
        default:
            return 0.01 * slot + 0.05 * std::sin(2.0 * std::numbers::pi * 0.5 * slot * t);
    }
}

double DeviceEmulator::Noise() {
    if (options_.noiseVolts == 0.0) return 0.0;
    const double u1 = random_.Uniform();
    const double u2 = random_.Uniform();
    return options_.noiseVolts * std::sqrt(-2.0 * std::log(u1)) *
           std::cos(2.0 * std::numbers::pi * u2);
}

void DeviceEmulator::AppendFrame(int64_t frame) {
    frameBytes_.resize(3 * channelCount_);
    frameCursor_ = 0;
    for (int p = 0; p < channelCount_; ++p) {
        const int slot = channelCount_ - 1 - p;
        const double counts = std::round((SlotVolts(slot, frame) + Noise()) * kCountsPerVolt);
        const int32_t value = static_cast<int32_t>(std::clamp(counts, -8388608.0, 8388607.0));
        const uint32_t bits = static_cast<uint32_t>(value);
        frameBytes_[3 * p] = static_cast<uint8_t>(bits >> 16);
        frameBytes_[3 * p + 1] = static_cast<uint8_t>(bits >> 8);
        frameBytes_[3 * p + 2] = static_cast<uint8_t>(bits);
    }
    if (generatorMode_ == 3) {
        sweepPosition_ += kSineTableSize * SweepFrequency(frame) / kFrameRate;
        sweepPosition_ = std::fmod(sweepPosition_, kSineTableSize);
    }
}

}  // namespace pelmor
