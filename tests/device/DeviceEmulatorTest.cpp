#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "DeviceTestSupport.h"
#include "device/DeviceEmulator.h"
#include "device/DeviceProtocol.h"
#include "device/SerialDriverFactory.h"
#include "numerics/Fft.h"

namespace pelmor::test {
namespace {

std::complex<double> Z(double r, double l, double c, double f) {
    const double w = 2 * std::numbers::pi * f;
    return {r, w * l - (c != 0 ? 1 / (w * c) : 0.0)};
}

// Talks to the emulator directly, the way the link does.
struct Host {
    DeviceEmulator& device;
    void Send(std::initializer_list<int> bytes) {
        for (int b : bytes) {
            const uint8_t byte = static_cast<uint8_t>(b);
            uint32_t written = 0;
            ASSERT_EQ(device.Write(&byte, 1, written), kSerialOk);
        }
    }
    std::vector<uint8_t> Read(uint32_t count) {
        std::vector<uint8_t> bytes(count);
        uint32_t received = 0;
        device.Read(bytes.data(), count, received);
        bytes.resize(received);
        return bytes;
    }
};

TEST(DeviceEmulatorTest, EchoesCommandsAndSingleParametersButNotTables) {
    FakeClock clock;
    EmulatorOptions options;
    options.realtime = false;
    DeviceEmulator device(options, &clock);
    EXPECT_EQ(device.ListDevices(), 2);
    EXPECT_EQ(device.DeviceInfo(1), kSerialOk);
    EXPECT_EQ(device.DeviceInfo(2), kSerialDeviceNotFound);
    ASSERT_EQ(device.Open(1), kSerialOk);
    Host host{device};
    // An ESC as a parameter is data: the mask becomes 27 and nothing stops.
    host.Send({'!', 'M', 27, '!', 'C', 1, 2, 3, 4});
    EXPECT_EQ(host.Read(9), (std::vector<uint8_t>{'!', 'M', 27, '!', 'C', 1, 2, 3, 4}));
    EXPECT_EQ(device.ChannelMask(), 27);
    host.Send({'!', 'g', 0x0B, 0xDC});
    for (int i = 0; i < 256; ++i) host.Send({27});
    EXPECT_EQ(device.PendingEchoes(), 4u);
    host.Send({'!', 'N'});
    for (int i = 0; i < 4096; ++i) host.Send({i == 1 ? 0x12 : (i == 0 ? 0x34 : 27)});
    EXPECT_EQ(device.PendingEchoes(), 6u);
    EXPECT_EQ(device.Table()[0], 0x1234);
    EXPECT_FALSE(device.IsStreaming());
    // Nothing more to read: a timeout of 2000 ms on the clock, fewer bytes, no error status.
    const int64_t before = clock.milliseconds;
    uint8_t buffer[8];
    uint32_t received = 0;
    EXPECT_EQ(device.Read(buffer, 8, received), kSerialOk);
    EXPECT_EQ(received, 6u);
    EXPECT_EQ(clock.milliseconds - before, 2000);
}

TEST(DeviceEmulatorTest, StreamsFramesHighestSlotFirstUntilEscape) {
    FakeClock clock;
    EmulatorOptions options;
    options.breathVolts = 2.5;
    options.breathHz = 256.0;  // frame 1 is at a quarter period: the peak
    DeviceEmulator device(options, &clock);
    ASSERT_EQ(device.Open(1), kSerialOk);
    Host host{device};
    host.Send({'!', 'M', 0xE0, '!', 'S'});
    host.Read(5);
    const std::vector<uint8_t> frames = host.Read(18);  // two frames of three slots
    ASSERT_EQ(frames.size(), 18u);
    // Real time: two frames are due after 2 ms.
    EXPECT_EQ(clock.milliseconds, 2);
    EXPECT_NEAR(DecodeSample(&frames[9]) / kRawPerVolt, 2.5, 2e-6);  // slot 2 leads the frame
    host.Send({27});
    EXPECT_FALSE(device.IsStreaming());
    EXPECT_EQ(host.Read(3).size(), 0u);
}

void ExpectImpedanceAtEveryFrequency(const EmulatorOptions& options, double r, double l, double c);

TEST(DeviceEmulatorTest, SlotZeroOverSlotOneIsTheImpedanceAtEveryExcitationFrequency) {
    // The expiratory object answers while the breathing flow is negative: a slow breath whose
    // first 1.6 s are all inspiration, or (negative amplitude) all expiration.
    struct Case {
        double breathVolts;
        double r, l, c;
    } cases[] = {{1.0, 0.25, 0.001, 0.25}, {-1.0, 0.4, 0.003, 0.1}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.breathVolts);
        EmulatorOptions options;
        options.realtime = false;
        options.breathHz = 0.3;
        options.breathVolts = k.breathVolts;
        options.expResistance = 0.4;
        options.expInductance = 0.003;
        options.expCapacitance = 0.1;
        ExpectImpedanceAtEveryFrequency(options, k.r, k.l, k.c);
    }
    // Unset expiratory values are the inspiratory ones.
    EmulatorOptions options;
    options.realtime = false;
    options.breathVolts = -1.0;
    options.breathHz = 0.3;
    options.expCapacitance = 0.1;
    ExpectImpedanceAtEveryFrequency(options, 0.25, 0.001, 0.1);
}

void ExpectImpedanceAtEveryFrequency(const EmulatorOptions& options, double r, double l, double c) {
    MeasurementState state;
    // Twelve harmonics of 1 Hz, 0.15 V each, with spread phases: a 1 s period played twice.
    for (int i = 0; i < kExcitationTableSize; ++i) {
        double v = 0;
        for (int k = 1; k <= 12; ++k)
            v += 0.15 * std::sin(2 * std::numbers::pi * k * i / 1024.0 + k * k * 0.7);
        state.excitationTable[i] = static_cast<uint16_t>(v * 6553 + 32768);
    }
    FakeClock clock;
    DeviceEmulator device(options, &clock);
    ScriptedUserInterface ui;
    CollectingSink sink;
    AcquisitionParameters p;  // 512 Hz, channels 1 and 2
    PrepareBuffers(state, p);
    StartRecording(state, 600);
    RunMeasurement(p, {state, device, ui, clock, sink});
    ASSERT_GE(state.buffers[0].Count(), 512 + 100);

    std::vector<Complex> pressure(512), flow(512);
    for (int k = 0; k < 512; ++k) {
        pressure[k].re = state.buffers[0].ValueFromOldest(k + 100);
        flow[k].re = state.buffers[1].ValueFromOldest(k + 100);
    }
    Fft(0, 9, pressure.data());
    Fft(0, 9, flow.data());
    for (int k = 1; k <= 12; ++k) {
        const std::complex<double> ratio = std::complex<double>(pressure[k].re, pressure[k].im) /
                                           std::complex<double>(flow[k].re, flow[k].im);
        const std::complex<double> z = Z(r, l, c, k);
        EXPECT_LT(std::abs(ratio - z) / std::abs(z), 1e-4) << k << " Hz";
    }
}

TEST(DeviceEmulatorTest, SweepModePlaysTheSineAtTheReloadFrequency) {
    FakeClock clock;
    EmulatorOptions options;
    options.realtime = false;
    DeviceEmulator device(options, &clock);
    ASSERT_EQ(device.Open(1), kSerialOk);
    Host host{device};
    // 8 Hz: reload 65536 - 62500 / 8; no sweep table, so the frequency stays.
    const int reload = GeneratorReload(8.0);
    host.Send({'!', 'g', reload >> 8, reload & 0xFF});
    for (int i = 0; i < 128; ++i) host.Send({SineCode(i) & 0xFF, SineCode(i) >> 8});
    host.Send({'!', 'M', 0xC0, '!', 'G', 3, '!', 'S'});
    EXPECT_EQ(host.Read(12).size(), 12u);
    const std::vector<uint8_t> bytes = host.Read(6 * 1024);
    ASSERT_EQ(bytes.size(), 6u * 1024);
    // One second: eight periods, so the eighth harmonic carries the sine.
    std::vector<Complex> flow(1024), pressure(1024);
    for (int i = 0; i < 1024; ++i) {
        flow[i].re = DecodeSample(&bytes[6 * i]) / kRawPerVolt;  // slot 1 leads the frame
        pressure[i].re = DecodeSample(&bytes[6 * i + 3]) / kRawPerVolt;
    }
    Fft(0, 10, flow.data());
    Fft(0, 10, pressure.data());
    const double amplitude = 2 * std::hypot(flow[8].re, flow[8].im);
    EXPECT_NEAR(amplitude, 32000.0 / 6553, 0.05);
    EXPECT_LT(2 * std::hypot(flow[5].re, flow[5].im), 0.05);
    const std::complex<double> ratio = std::complex<double>(pressure[8].re, pressure[8].im) /
                                       std::complex<double>(flow[8].re, flow[8].im);
    EXPECT_LT(std::abs(ratio - Z(0.25, 0.001, 0.25, 8.0)), 0.002);
}

TEST(DeviceEmulatorTest, DisconnectMakesEveryCallFailFromThenOn) {
    FakeClock clock;
    EmulatorOptions options;
    options.disconnectAfterSeconds = 0.5;
    DeviceEmulator device(options, &clock);
    ASSERT_EQ(device.Open(1), kSerialOk);
    Host host{device};
    host.Send({'!', 'M', 0x80, '!', 'S'});
    host.Read(5);
    std::vector<uint8_t> buffer(3 * 1024);
    uint32_t received = 0;
    EXPECT_EQ(device.Read(buffer.data(), 3 * 1024, received), kSerialIoError);
    EXPECT_EQ(clock.milliseconds, 500);
    EXPECT_EQ(received, 3u * 512);
    uint32_t written = 0;
    const uint8_t escape = 27;
    EXPECT_NE(device.Write(&escape, 1, written), kSerialOk);
    EXPECT_NE(device.Close(), kSerialOk);
    EXPECT_NE(device.DeviceInfo(1), kSerialOk);
    EXPECT_NE(device.Open(1), kSerialOk);
}

TEST(DeviceEmulatorTest, OptionsText) {
    EmulatorOptions o;
    std::string error;
    ASSERT_TRUE(ParseEmulatorOptions(
        " R=0.5, L=0.002 "
        ",C=0,r_exp=0.6,l_exp=0.003,c_exp=0.1,breath_hz=0.3,breath_v=2,noise_v=0.01,realtime=0,"
        "fault=silent_after:1.5,fault=short_echo",
        o, error));
    EXPECT_EQ(o.resistance, 0.5);
    EXPECT_EQ(o.inductance, 0.002);
    EXPECT_EQ(o.capacitance, 0.0);
    EXPECT_EQ(o.expResistance, 0.6);
    EXPECT_EQ(o.expInductance, 0.003);
    EXPECT_EQ(o.expCapacitance, 0.1);
    EXPECT_EQ(o.breathHz, 0.3);
    EXPECT_EQ(o.breathVolts, 2.0);
    EXPECT_EQ(o.noiseVolts, 0.01);
    EXPECT_FALSE(o.realtime);
    EXPECT_EQ(o.silentAfterSeconds, 1.5);
    EXPECT_TRUE(o.shortEcho);
    EXPECT_EQ(o.disconnectAfterSeconds, -1.0);
    for (const char* bad : {"R=", "X=1", "R=1,5", "fault=late", "fault=silent_after:-1", "R"}) {
        EmulatorOptions d;
        EXPECT_FALSE(ParseEmulatorOptions(bad, d, error)) << bad;
    }
    EXPECT_TRUE(ParseEmulatorOptions("", o, error));
}

std::unique_ptr<SerialDriver> MakeScripted() { return std::make_unique<ScriptedDriver>(); }

TEST(DeviceEmulatorTest, TheEnvironmentChoosesTheDriver) {
    std::string warning;
    auto emulator = MakeSerialDriver("emulator", "R=0.3,bogus=1", &warning);
    EXPECT_NE(dynamic_cast<DeviceEmulator*>(emulator.get()), nullptr);
    EXPECT_NE(warning.find("bogus=1"), std::string::npos);

    EXPECT_EQ(MakeSerialDriver(nullptr, nullptr)->ListDevices(), 0);  // nothing registered
    RegisterHardwareSerialDriver(&MakeScripted);
    auto hardware = MakeSerialDriver("ftdi", "R=1");
    EXPECT_NE(dynamic_cast<ScriptedDriver*>(hardware.get()), nullptr);
    RegisterHardwareSerialDriver(nullptr);
}

}  // namespace
}  // namespace pelmor::test
