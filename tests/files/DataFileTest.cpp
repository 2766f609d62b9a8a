#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "analysis/CalibrationTable.h"
#include "core/ByteIO.h"
#include "core/FileBytes.h"
#include "files/DataFile.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using test::TempDir;

const std::string kStamp = "2026/12/09   22:08:00";  // 21 bytes

// A recording of frames x channels raw values: frame f, channel c holds (f * 8 + c) * 1000003
// (wrapped to 32 bits).
struct Recording {
    std::vector<int32_t> raw;
    DataFileInput input;
    std::unique_ptr<ActiveExcitation> excitation = std::make_unique<ActiveExcitation>();
    std::unique_ptr<CalibrationTable> calibration = std::make_unique<CalibrationTable>();

    Recording(int frames, int channels, double rate = 512.0, double period = 0.125) {
        for (int f = 0; f < frames; ++f)
            for (int c = 0; c < channels; ++c)
                raw.push_back(static_cast<int32_t>(static_cast<uint32_t>(f * 8 + c) * 1000003u));
        input.sampleRate = rate;
        input.signalPeriod = period;
        input.samplesPerPeriod =
            std::isfinite(period * rate) ? static_cast<int>(period * rate + 0.5) : 0;
        input.channelCount = channels;
        input.frameCount = frames;
        input.recordingTime = frames / rate;
        input.timeStamp = kStamp;
        input.excitation = excitation.get();
        input.calibration = calibration.get();
        input.rawSamples = raw;
        for (int c = 0; c < channels; ++c) input.channelNames[c] = "Signal " + std::to_string(c);
    }

    std::vector<uint8_t> Build(DataFormat format) const {
        std::vector<uint8_t> bytes;
        std::string message;
        EXPECT_TRUE(BuildDataFile(format, input, bytes, message)) << message;
        return bytes;
    }
};

int32_t I32At(const std::vector<uint8_t>& b, std::size_t at) {
    ByteReader r(b);
    r.Seek(at);
    return r.I32();
}
int16_t I16At(const std::vector<uint8_t>& b, std::size_t at) {
    ByteReader r(b);
    r.Seek(at);
    return r.I16();
}
float F32At(const std::vector<uint8_t>& b, std::size_t at) {
    ByteReader r(b);
    r.Seek(at);
    return r.F32();
}
double F64At(const std::vector<uint8_t>& b, std::size_t at) {
    ByteReader r(b);
    r.Seek(at);
    return r.F64();
}
void PutU16(std::vector<uint8_t>& b, std::size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void PutI32(std::vector<uint8_t>& b, std::size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

TEST(DataFileWriter, FullPrecisionLayoutIsExact) {
    Recording rec(2, 2, 512.0, 0.5);
    rec.raw = {-1, 0x7FFFFFFF, 0, std::numeric_limits<int32_t>::min()};
    rec.input.rawSamples = rec.raw;
    rec.excitation->definitionPoints = 64;
    rec.excitation->selectedFrequencyIndex = 2;
    rec.excitation->period = 0.5;
    rec.excitation->componentCount = 3;
    for (int i = 0; i < 3; ++i) {
        rec.excitation->frequencyIndex[i] = i + 1;
        rec.excitation->amplitude[i] = 0.5 * (i + 1);
        rec.excitation->phase[i] = -0.25 * i;
    }
    rec.input.channelNames = {"Flow", "Pressure"};
    const auto b = rec.Build(DataFormat::FullPrecision);

    ASSERT_EQ(b.size(), 141u + 16 + (4 + 4) + (4 + 8));
    EXPECT_EQ((std::vector<uint8_t>(b.begin(), b.begin() + 4)),
              (std::vector<uint8_t>{0x87, 0xAA, 0xE3, 0x8C}));
    EXPECT_EQ(F64At(b, 4), 512.0);
    EXPECT_EQ(F64At(b, 12), 0.5);
    EXPECT_EQ(I32At(b, 20), 256);  // samples per period
    EXPECT_EQ(I32At(b, 24), 2);
    EXPECT_EQ(I32At(b, 28), 2);
    EXPECT_EQ(I32At(b, 32), 21);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 57), kStamp);
    // Excitation block without its reserved word.
    EXPECT_EQ(I32At(b, 57), 64);
    EXPECT_EQ(I32At(b, 61), 2);
    EXPECT_EQ(F64At(b, 65), 0.5);
    EXPECT_EQ(I32At(b, 73), 3);
    EXPECT_EQ(I32At(b, 77), 1);
    EXPECT_EQ(I32At(b, 85), 3);
    EXPECT_EQ(F64At(b, 89), 0.5);
    EXPECT_EQ(F64At(b, 105), 1.5);
    EXPECT_EQ(F64At(b, 129), -0.5);
    EXPECT_EQ(I32At(b, 137), 0);  // no calibration points, no arrays
    // The first sample: 36 + 21 + 20 + 60 + 4.
    EXPECT_EQ(F32At(b, 141), static_cast<float>(-1 / 214748364.8));
    EXPECT_EQ(F32At(b, 145), static_cast<float>(2147483647 / 214748364.8));
    EXPECT_EQ(F32At(b, 153), -10.0f);
    EXPECT_EQ(I32At(b, 157), 4);
    EXPECT_EQ(std::string(b.begin() + 161, b.begin() + 165), "Flow");
    EXPECT_EQ(I32At(b, 165), 8);
}

TEST(DataFileWriter, TwelveBitLayoutIsExact) {
    Recording rec(3, 2, 256.0, 0.25);
    rec.input.recordingTime = 10.0;
    rec.raw = {-1, 0x7FFFFFFF, std::numeric_limits<int32_t>::min(), 0x100000, 0xFFFFF, -0x100001};
    rec.input.rawSamples = rec.raw;
    const auto b = rec.Build(DataFormat::TwelveBit);

    ASSERT_EQ(b.size(), 79u + 2 * 6);
    EXPECT_EQ(F32At(b, 0), 256.0f);
    EXPECT_EQ(I16At(b, 4), 3);
    EXPECT_EQ(I16At(b, 6), 2);
    EXPECT_EQ(F32At(b, 8), 10.0f);
    EXPECT_EQ(F32At(b, 12), 256.0f);
    EXPECT_EQ(F32At(b, 16), 0.25f);
    const std::vector<uint8_t> fixed(b.begin() + 20, b.begin() + 44);
    EXPECT_EQ(fixed, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0,
                                           0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 21, 0}));
    EXPECT_EQ(std::string(b.begin() + 44, b.begin() + 65), kStamp);
    EXPECT_EQ(I32At(b, 65), 0);
    EXPECT_EQ(I16At(b, 69), 8);
    EXPECT_EQ(std::string(b.begin() + 71, b.begin() + 79), "File = ?");
    // Raw values shifted right arithmetically by 20 bits.
    const int16_t expected[] = {-1, 2047, -2048, 1, 0, -2};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(I16At(b, 79 + 2 * i), expected[i]) << i;
}

TEST(DataFileWriter, TimeStampText) {
    test::FakeClock clock;
    EXPECT_EQ(DataFileTimeStamp(clock, 1700000000), "2023/11/14   22:13:20");
    EXPECT_EQ(DataFileTimeStamp(clock, 1700000000).size(), 21u);
}

// A recording made in simulation says so at the end of its time stamp, in both formats.
TEST(DataFileReader, TheSimulationMarkOfTheTimeStampReadsBackInBothFormats) {
    for (DataFormat format : {DataFormat::FullPrecision, DataFormat::TwelveBit}) {
        Recording rec(256, 2, 256.0, 0.25);
        rec.input.timeStamp = kStamp + kSimulatedStampMark;
        auto contents = std::make_unique<DataFileContents>();
        std::string message;
        ASSERT_TRUE(ReadDataFile(rec.Build(format), *contents, message)) << message;
        EXPECT_EQ(contents->info.timeStamp, "2026/12/09   22:08:00 simulated");
        EXPECT_TRUE(IsSimulatedTimeStamp(contents->info.timeStamp));
    }
    EXPECT_FALSE(IsSimulatedTimeStamp(kStamp));
    EXPECT_FALSE(IsSimulatedTimeStamp(""));
}

TEST(DataFileWriter, VoltSourcesAreTruncatedAndHeldInRange) {
    Recording rec(1, 4);
    const std::vector<double> volts = {1.0, -1.0, 20.0, std::nan("")};
    rec.input.rawSamples = {};
    rec.input.voltSamples = volts;
    const auto twelve = rec.Build(DataFormat::TwelveBit);
    // 1 V is raw 214748364 (204.8 steps); -1 V shifts down to -205; 20 V is held at full scale.
    const int16_t expected[] = {204, -205, 2047, 0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(I16At(twelve, 79 + 2 * i), expected[i]) << i;

    const std::vector<double> exact = {0.1, -2.5, 9.75, 3.0};
    rec.input.voltSamples = exact;
    const auto full = rec.Build(DataFormat::FullPrecision);
    const std::size_t first = 36 + 21 + 20 + 4;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(F32At(full, first + 4 * i), static_cast<float>(exact[i])) << i;
}

TEST(DataFileWriter, RefusesWhatCouldNotBeReadBack) {
    std::vector<uint8_t> bytes;
    std::string message;
    // The signed 16-bit count field cannot describe more than 32,767 frames.
    Recording big(32768, 2);
    EXPECT_FALSE(BuildDataFile(DataFormat::TwelveBit, big.input, bytes, message));
    EXPECT_NE(message.find("32767"), std::string::npos) << message;
    EXPECT_TRUE(bytes.empty());
    EXPECT_TRUE(BuildDataFile(DataFormat::FullPrecision, big.input, bytes, message));
    big.input.frameCount = 32767;
    EXPECT_TRUE(BuildDataFile(DataFormat::TwelveBit, big.input, bytes, message));

    Recording bad(10, 9);
    EXPECT_FALSE(BuildDataFile(DataFormat::FullPrecision, bad.input, bytes, message));
    Recording few(10, 2);
    few.input.frameCount = 11;
    EXPECT_FALSE(BuildDataFile(DataFormat::FullPrecision, few.input, bytes, message));

    // Block counts outside 1 ... 256 are stored as empty blocks.
    Recording odd(10, 2);
    odd.excitation->componentCount = 300;
    odd.calibration->count = -4;
    const auto b = odd.Build(DataFormat::FullPrecision);
    EXPECT_EQ(I32At(b, 36 + 21 + 16), 0);
    EXPECT_EQ(I32At(b, 36 + 21 + 20), 0);
}

TEST(DataFileWriter, UnwritablePathNamesFileAndReason) {
    TempDir dir;
    Recording rec(10, 2);
    const std::string path = dir.File("missing/run 001.inpx");
    std::string message;
    EXPECT_FALSE(WriteDataFile(path, DataFormat::FullPrecision, rec.input, message));
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;

    Recording big(40000, 2);
    EXPECT_FALSE(WriteDataFile(dir.File("big.inp"), DataFormat::TwelveBit, big.input, message));
    EXPECT_NE(message.find("big.inp"), std::string::npos) << message;
    EXPECT_FALSE(FileExists(dir.File("big.inp")));
}

TEST(DataFileReader, FullPrecisionRoundTripThroughAFile) {
    TempDir dir;
    Recording rec(1024, 3, 1024.0, 0.5);
    rec.excitation->selectedFrequencyIndex = 1;
    rec.excitation->period = 0.5;
    rec.excitation->componentCount = 2;
    rec.excitation->frequencyIndex[0] = 2;
    rec.excitation->frequencyIndex[1] = 5;
    rec.excitation->amplitude[1] = 0.75;
    rec.excitation->phase[0] = 1.25;
    CalibrationTable& cal = *rec.calibration;
    cal.count = 2;
    for (int k = 0; k < 2; ++k) {
        cal.frequency[k] = 4.0 + k;
        Complex* arrays[] = {cal.A, cal.B,  cal.C,  cal.D,   cal.E,
                             cal.F, cal.Z0, cal.sh, cal.T21, cal.ch};
        for (int a = 0; a < 10; ++a) arrays[a][k] = {a + 0.5 * k, -a - 0.25 * k};
    }
    rec.input.channelNames = {"Pressure", "Flow", std::string(300, 'n')};
    const std::string path = dir.File("round.inpx");
    std::string message;
    ASSERT_TRUE(WriteDataFile(path, DataFormat::FullPrecision, rec.input, message)) << message;

    auto contents = std::make_unique<DataFileContents>();
    ASSERT_EQ(LoadDataFile(path, *contents, message), DataFileLoad::Loaded) << message;
    const DataFileInfo& info = contents->info;
    EXPECT_EQ(info.format, DataFormat::FullPrecision);
    EXPECT_EQ(info.sampleRate, 1024.0);
    EXPECT_EQ(info.signalPeriod, 0.5);
    EXPECT_EQ(info.frameCount, 1024);
    EXPECT_EQ(info.channelCount, 3);
    EXPECT_EQ(info.recordingTime, 1.0);
    EXPECT_EQ(info.timeStamp, kStamp);
    EXPECT_EQ(0, std::memcmp(&info.excitation, rec.excitation.get(), sizeof(ActiveExcitation)));
    EXPECT_FALSE(CalibrationTablesDiffer(info.calibration, cal));
    EXPECT_EQ(info.channelNamesRead, 3);
    EXPECT_EQ(info.channelNames[0], "Pressure");
    EXPECT_EQ(info.channelNames[1], "Flow");
    EXPECT_EQ(info.channelNames[2], std::string(255, 'n'));  // cut to 255 bytes
    ASSERT_EQ(contents->framesRead, 1024);
    for (int f : {0, 511, 1023})
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(contents->Sample(f, c), static_cast<float>(rec.raw[f * 3 + c] / 214748364.8));
}

TEST(DataFileReader, TwelveBitSamplesComeFromTheEndOfTheFile) {
    Recording rec(20, 2, 256.0, 0.25);
    rec.input.recordingTime = 10.0;
    auto bytes = rec.Build(DataFormat::TwelveBit);
    // Extra bytes between the header and the samples change nothing.
    bytes.insert(bytes.begin() + 79, 13, 0xEE);
    auto contents = std::make_unique<DataFileContents>();
    std::string message;
    ASSERT_TRUE(ReadDataFile(bytes, *contents, message)) << message;
    EXPECT_EQ(contents->info.format, DataFormat::TwelveBit);
    EXPECT_EQ(contents->info.recordingTime, 10.0);
    EXPECT_EQ(contents->info.timeStamp, kStamp);
    EXPECT_EQ(contents->info.excitation.componentCount, 0);
    ASSERT_EQ(contents->framesRead, 20);
    EXPECT_EQ(contents->Sample(19, 1), ((rec.raw[39] >> 20) * 1048576.0) / 214748364.8);
    EXPECT_DOUBLE_EQ(contents->Sample(1, 0), 0.0048828125 * (rec.raw[2] >> 20));

    // A count field of 4464 (what 70000 frames leave in 16 bits) takes the last 4464 frames.
    Recording many(70000, 2, 512.0, 1.0);
    many.input.frameCount = 100;
    many.input.recordingTime = 10.0;
    auto head = many.Build(DataFormat::TwelveBit);
    head.resize(79);
    PutU16(head, 4, 4464);
    std::vector<uint8_t> file = head;
    for (int32_t v : many.raw) {
        const int16_t s = static_cast<int16_t>(v >> 20);
        file.push_back(static_cast<uint8_t>(s));
        file.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
    }
    ASSERT_TRUE(ReadDataFile(file, *contents, message)) << message;
    ASSERT_EQ(contents->framesRead, 4464);
    const int firstFrame = 70000 - 4464;
    EXPECT_EQ(contents->Sample(0, 1),
              ((many.raw[firstFrame * 2 + 1] >> 20) * 1048576.0) / 214748364.8);
}

// Validation: one line per failed check, in a fixed order, all in one message.
TEST(DataFileReader, ValidationCollectsEveryFailedCheckInOrder) {
    struct Case {
        DataFormat format;
        double rate, period, recordingTime;
        int frames, channels;
        std::string expected;
    };
    const auto F = DataFormat::FullPrecision;
    const auto T = DataFormat::TwelveBit;
    const Case cases[] = {
        {F, 256.0, 1.0, 0, 256, 2, ""},
        {F, 2048.0, 1.0, 0, 2048, 8, ""},
        {F, 2048.5, 1.0, 0, 4096, 2, "Invalid sample rate: 2048.5\nToo short recording time: 0\n"},
        {F, 255.5, 0.5, 0, 4096, 2, "Invalid sample rate: 255.5\nToo short recording time: 0\n"},
        {F, 512.0, 2.5, 0, 2048, 2, "Invalid signal period: 2.5\n"},
        {F, 512.0, 1.0, 0, 256, 2, "Too short recording time: 0.5\n"},
        {F, 100.0, 3.0, 0, 5, 9,
         "Invalid sample rate: 100\nInvalid number of samples: 5\nInvalid number of channels: "
         "9\nToo short recording time: 0\nInvalid signal period: 3\n"},
        {F, 512.0, 0.04, 0, 512, 1, "Invalid number of channels: 1\nInvalid signal period: 0.04\n"},
        {T, 256.0, 1.0, 120.0, 10, 2, ""},
        {T, 512.0, 1.0, 130.0, 100, 2, "Invalid recording time: 130\n"},
        {T, 512.0, 1.5, 10.0, 100, 2, "Invalid signal period: 1.5\n"},
        {T, 512.0, 1.0, 0.5, 9, 2, "Invalid number of samples: 9\nInvalid recording time: 0.5\n"},
        {T, 4096.0, 0.01, 0.0, 100, 9,
         "Invalid sample rate: 4096\nInvalid number of channels: 9\nInvalid recording time: "
         "0\nInvalid signal period: 0.01\n"},
    };
    for (const Case& c : cases) {
        Recording rec(c.frames, std::min(c.channels, 8), c.rate, c.period);
        rec.input.recordingTime = c.recordingTime;
        auto bytes = rec.Build(c.format);
        if (c.format == F)
            PutI32(bytes, 28, c.channels);
        else
            PutU16(bytes, 6, static_cast<uint16_t>(c.channels));
        auto contents = std::make_unique<DataFileContents>();
        contents->framesRead = -7;  // untouched on refusal
        std::string message = "stale";
        const bool ok = ReadDataFile(bytes, *contents, message);
        EXPECT_EQ(message, c.expected) << c.rate << " " << c.frames;
        EXPECT_EQ(ok, c.expected.empty());
        if (!ok) {
            EXPECT_EQ(contents->framesRead, -7);
        }
    }
}

TEST(DataFileReader, SignedCountFieldAndNotANumberAreRefused) {
    Recording rec(100, 2, 512.0, 1.0);
    rec.input.recordingTime = 10.0;
    auto bytes = rec.Build(DataFormat::TwelveBit);
    PutU16(bytes, 4, 40000);
    auto contents = std::make_unique<DataFileContents>();
    std::string message;
    EXPECT_FALSE(ReadDataFile(bytes, *contents, message));
    EXPECT_EQ(message, "Invalid number of samples: -25536\n");

    // A not-a-number rate or period fails its check instead of slipping past every comparison.
    Recording nan(100, 2, std::nan(""), std::nan(""));
    nan.input.recordingTime = std::nan("");
    EXPECT_FALSE(ReadDataFile(nan.Build(DataFormat::TwelveBit), *contents, message));
    EXPECT_EQ(
        message,
        "Invalid sample rate: nan\nInvalid recording time: nan\nInvalid signal period: nan\n");
    EXPECT_FALSE(ReadDataFile(nan.Build(DataFormat::FullPrecision), *contents, message));
    EXPECT_EQ(
        message,
        "Invalid sample rate: nan\nToo short recording time: 0\nInvalid signal period: nan\n");
}

TEST(DataFileReader, BlocksAreTakenOnlyFromAnAcceptedFile) {
    Recording rec(100, 2, 100.0, 1.0);  // rate refused
    rec.excitation->componentCount = 1;
    rec.excitation->frequencyIndex[0] = 7;
    rec.calibration->count = 1;
    rec.calibration->frequency[0] = 7.0;
    auto contents = std::make_unique<DataFileContents>();
    contents->info.calibration.count = 3;
    contents->info.excitation.componentCount = 4;
    std::string message;
    EXPECT_FALSE(ReadDataFile(rec.Build(DataFormat::FullPrecision), *contents, message));
    EXPECT_EQ(contents->info.calibration.count, 3);
    EXPECT_EQ(contents->info.excitation.componentCount, 4);
}

TEST(DataFileReader, CountsOutsideTheTablesReadAsEmptyBlocks) {
    Recording rec(100, 2);
    rec.excitation->componentCount = 0;
    rec.excitation->selectedFrequencyIndex = 9;
    auto bytes = rec.Build(DataFormat::FullPrecision);
    const std::size_t nfAt = 36 + 21 + 16;
    auto contents = std::make_unique<DataFileContents>();
    std::string message;
    for (int32_t count : {300, -1, std::numeric_limits<int32_t>::min()}) {
        PutI32(bytes, nfAt, count);      // excitation count: no arrays follow
        PutI32(bytes, nfAt + 4, count);  // calibration count: no arrays follow
        ASSERT_TRUE(ReadDataFile(bytes, *contents, message)) << message;
        EXPECT_EQ(contents->info.excitation.componentCount, 0);
        EXPECT_EQ(contents->info.excitation.selectedFrequencyIndex, 0);
        EXPECT_EQ(contents->info.calibration.count, 0);
        EXPECT_EQ(contents->framesRead, 100);
        EXPECT_EQ(contents->info.channelNames[1], "Signal 1");
    }
}

TEST(DataFileReader, ShortFilesLoadTheFramesPresent) {
    TempDir dir;
    auto contents = std::make_unique<DataFileContents>();
    std::string message;

    // Full precision cut inside frame 40 (and before the names).
    Recording full(100, 2);
    auto bytes = full.Build(DataFormat::FullPrecision);
    bytes.resize(36 + 21 + 20 + 4 + 8 * 40 + 5);
    const std::string fullPath = dir.File("short.inpx");
    ASSERT_TRUE(WriteFileBytes(fullPath, bytes, message));
    ASSERT_EQ(LoadDataFile(fullPath, *contents, message), DataFileLoad::Short);
    EXPECT_EQ(message, fullPath + " is shorter than its header says: 40 of 100 frames were read.");
    ASSERT_EQ(contents->framesRead, 40);
    ASSERT_EQ(contents->samples.size(), 80u);
    EXPECT_EQ(contents->Sample(39, 1), static_cast<float>(full.raw[79] / 214748364.8));
    EXPECT_EQ(contents->info.channelNamesRead, 0);

    // 12 bits: too few bytes for the frames, so they are taken from the end of the stored header.
    Recording twelve(100, 2, 512.0, 1.0);
    twelve.input.recordingTime = 10.0;
    bytes = twelve.Build(DataFormat::TwelveBit);
    bytes.resize(79 + 4 * 60 + 3);
    ASSERT_TRUE(ReadDataFile(bytes, *contents, message));
    ASSERT_EQ(contents->framesRead, 60);
    EXPECT_EQ(contents->Sample(0, 1), ((twelve.raw[1] >> 20) * 1048576.0) / 214748364.8);
    EXPECT_EQ(contents->Sample(59, 0), ((twelve.raw[118] >> 20) * 1048576.0) / 214748364.8);

    // A file cut inside its header is refused.
    bytes = full.Build(DataFormat::FullPrecision);
    bytes.resize(60);
    EXPECT_FALSE(ReadDataFile(bytes, *contents, message));
    EXPECT_EQ(message, "Incomplete file header\n");
}

TEST(DataFileReader, NamesStopQuietlyAtTheFirstIncompleteOne) {
    Recording rec(100, 3);
    auto bytes = rec.Build(DataFormat::FullPrecision);
    bytes.resize(bytes.size() - 3);  // the third name loses bytes
    auto contents = std::make_unique<DataFileContents>();
    std::string message;
    ASSERT_TRUE(ReadDataFile(bytes, *contents, message));
    EXPECT_EQ(contents->info.channelNamesRead, 2);
    EXPECT_EQ(contents->info.channelNames[1], "Signal 1");
    EXPECT_EQ(contents->info.channelNames[2], "");
}

TEST(DataFileReader, UnreadableFileNamesFileAndReason) {
    TempDir dir;
    auto contents = std::make_unique<DataFileContents>();
    std::string message;
    const std::string path = dir.File("none.inpx");
    EXPECT_EQ(LoadDataFile(path, *contents, message), DataFileLoad::Unreadable);
    EXPECT_NE(message.find(path), std::string::npos);
    EXPECT_NE(message.find("No such file or directory"), std::string::npos);
}

}  // namespace
}  // namespace pelmor
