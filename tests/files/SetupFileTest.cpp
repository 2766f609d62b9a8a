#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/FileBytes.h"
#include "files/SetupFile.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using test::TempDir;

// Offset of the base name: marker, four blocks, eleven numbers (one of them a double).
constexpr std::size_t kBaseNameAt = 4 + 82024 + 43016 + 32 + 1128 + 11 * 4 + 4;

// An image in which every field holds a value of its own.
std::unique_ptr<SetupFileImage> DistinctImage() {
    auto s = std::make_unique<SetupFileImage>();
    s->excitationBank.period = 0.5;
    s->excitationBank.signalCount = 3;
    s->excitationBank.componentCount[2] = 12;
    s->excitationBank.frequencyIndex[2][11] = 48;
    s->excitationBank.amplitude[15][255] = 0.125;
    s->excitationBank.phase[1][7] = -2.5;
    s->excitationBank.normaliseAmplitude = 1;
    s->excitationBank.signalAmplitude = 0.75;
    s->loadedCalibration.count = 2;
    s->loadedCalibration.frequency[1] = 8.0;
    s->loadedCalibration.ch[255] = {1.5, -1.5};
    s->sweep.enabled = 1;
    s->sweep.endFrequency = 12.5;
    s->plotSetup.windows[19].xmax = 3.25;
    s->plotSetup.timeStep = 0.5;
    s->channelCount = 3;
    s->channelMask = 0xE0;
    s->sampleRate = 1024.0;
    s->sampleRateIndex = 2;
    s->recordingTime = 60;
    s->dataBits = 0;
    s->xChannelIndex = 1;
    s->yChannelIndex = 2;
    s->measurementMode = 1;
    s->extraSerialStep = 1;
    s->selectedSignal = 2;
    s->baseName = "/data/run";
    s->serialNumber = 41;
    s->excitationFolder = "/exc";
    s->calibrationFolder = "/cal";
    s->currentDataFileName = "/data/run 041.inpx";
    for (int c = 0; c < 8; ++c) s->channelNames[c] = "ch\xc3\xa9" + std::to_string(c);
    s->averagingTime = 1.5;
    s->frequencyCount = 12;
    s->selectedFrequencyIndex = 4;
    for (int i = 0; i < 256; ++i) {
        s->frequencyIndex[i] = i * 3;
        s->frequencyHz[i] = i * 0.25;
    }
    s->zDisplayMode = 2;
    s->zTrendDisplay = 1;
    return s;
}

void ExpectSameImage(const SetupFileImage& a, const SetupFileImage& b) {
    EXPECT_EQ(0, std::memcmp(&a.excitationBank, &b.excitationBank, sizeof(ExcitationBank)));
    EXPECT_EQ(0, std::memcmp(&a.loadedCalibration, &b.loadedCalibration, sizeof(CalibrationTable)));
    EXPECT_EQ(0, std::memcmp(&a.sweep, &b.sweep, sizeof(SweepBlock)));
    EXPECT_EQ(0, std::memcmp(&a.plotSetup, &b.plotSetup, sizeof(PlotSetup)));
    EXPECT_EQ(a.channelCount, b.channelCount);
    EXPECT_EQ(a.channelMask, b.channelMask);
    EXPECT_EQ(a.sampleRate, b.sampleRate);
    EXPECT_EQ(a.sampleRateIndex, b.sampleRateIndex);
    EXPECT_EQ(a.recordingTime, b.recordingTime);
    EXPECT_EQ(a.dataBits, b.dataBits);
    EXPECT_EQ(a.xChannelIndex, b.xChannelIndex);
    EXPECT_EQ(a.yChannelIndex, b.yChannelIndex);
    EXPECT_EQ(a.measurementMode, b.measurementMode);
    EXPECT_EQ(a.extraSerialStep, b.extraSerialStep);
    EXPECT_EQ(a.selectedSignal, b.selectedSignal);
    EXPECT_EQ(a.baseName, b.baseName);
    EXPECT_EQ(a.serialNumber, b.serialNumber);
    EXPECT_EQ(a.excitationFolder, b.excitationFolder);
    EXPECT_EQ(a.calibrationFolder, b.calibrationFolder);
    EXPECT_EQ(a.currentDataFileName, b.currentDataFileName);
    EXPECT_EQ(a.channelNames, b.channelNames);
    EXPECT_EQ(a.averagingTime, b.averagingTime);
    EXPECT_EQ(a.frequencyCount, b.frequencyCount);
    EXPECT_EQ(a.selectedFrequencyIndex, b.selectedFrequencyIndex);
    EXPECT_EQ(a.frequencyIndex, b.frequencyIndex);
    EXPECT_EQ(a.frequencyHz, b.frequencyHz);
    EXPECT_EQ(a.zDisplayMode, b.zDisplayMode);
    EXPECT_EQ(a.zTrendDisplay, b.zTrendDisplay);
}

TEST(SetupFile, EmptyStringsGiveTheFixedSize) {
    const auto empty = std::make_unique<SetupFileImage>();
    const auto bytes = WriteSetupFile(*empty);
    ASSERT_EQ(bytes.size(), kEmptySetupFileSize);
    EXPECT_EQ((std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4)),
              (std::vector<uint8_t>{0x78, 0x55, 0x1C, 0x73}));
}

TEST(SetupFile, EveryFieldRoundTrips) {
    TempDir dir;
    const auto image = DistinctImage();
    image->baseName = std::string(300, 'b');
    const std::string path = dir.File("setup.plm");
    std::string message;
    ASSERT_TRUE(SaveSetupFile(path, *image, message)) << message;

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(path, bytes, message));
    // A 300-character string has the prefix FF 2C 01.
    EXPECT_EQ((std::vector<uint8_t>(bytes.begin() + kBaseNameAt, bytes.begin() + kBaseNameAt + 4)),
              (std::vector<uint8_t>{0xFF, 0x2C, 0x01, 'b'}));

    // The program's UTF-8 names are stored as Latin-1 and come back as they were.
    const std::string latin1 =
        "ch\xe9"
        "0";
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find(latin1), std::string::npos);
    auto back = std::make_unique<SetupFileImage>();
    ASSERT_TRUE(LoadSetupFile(path, *back, message)) << message;
    ExpectSameImage(*image, *back);

    // Bytes after the last field are ignored.
    bytes.push_back(0);
    std::string error;
    ASSERT_TRUE(ReadSetupFile(bytes, *back, error));
    ExpectSameImage(*image, *back);
}

TEST(SetupFile, AWrongMarkerChangesNothingAndAShortFileOnlyWhatItHolds) {
    const auto bytes = WriteSetupFile(*DistinctImage());
    auto wrongMarker = bytes;
    wrongMarker[0] = 0x79;
    const std::size_t stringsAt = kBaseNameAt;
    // An image whose values differ from the file's wherever the test looks.
    auto before = [] {
        auto image = std::make_unique<SetupFileImage>();
        image->baseName = "kept";
        image->serialNumber = 7;
        image->zTrendDisplay = 5;
        return image;
    };
    // No field is whole after the marker in the last two: the marker alone, or a cut bank.
    const std::size_t bankEnd = 4 + sizeof(ExcitationBank);
    for (const auto& refused : {wrongMarker, std::vector<uint8_t>{},
                                std::vector<uint8_t>(bytes.begin(), bytes.begin() + 3),
                                std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4),
                                std::vector<uint8_t>(bytes.begin(), bytes.begin() + 5000)}) {
        auto image = before();
        std::string error;
        EXPECT_FALSE(ReadSetupFile(refused, *image, error)) << refused.size();
        EXPECT_EQ(error, "Unexpected file format.");
        EXPECT_EQ(image->baseName, "kept");
    }
    struct Case {
        std::size_t length, reached;
        int selectedSignal;  // the last number before the strings
        const char* baseName;
        int zDisplayMode;
    };
    const Case cases[] = {
        {bankEnd, bankEnd, 0, "kept", 0},
        {bankEnd + 100, bankEnd + 100, 0, "kept", 0},  // inside the calibration block
        {stringsAt, stringsAt, 2, "kept", 0},
        {stringsAt + 1, stringsAt, 2, "kept", 0},  // a string cut short is not taken
        {bytes.size() - 1, bytes.size() - 4, 2, "/data/run", 2},
        {bytes.size(), bytes.size(), 2, "/data/run", 2},
    };
    const auto written = DistinctImage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        auto image = before();
        std::string error;
        SetupFileExtent extent;
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + c.length);
        ASSERT_TRUE(ReadSetupFile(cut, *image, error, &extent));
        EXPECT_EQ(extent.complete, c.length == bytes.size());
        EXPECT_EQ(extent.bytesRead, c.reached);
        EXPECT_EQ(image->selectedSignal, c.selectedSignal);
        EXPECT_EQ(image->baseName, c.baseName);
        EXPECT_EQ(image->serialNumber, c.length == stringsAt + 1 || c.length <= stringsAt ? 7 : 41);
        EXPECT_EQ(image->zDisplayMode, c.zDisplayMode);
        EXPECT_EQ(image->zTrendDisplay, c.length == bytes.size() ? 1 : 5);
        EXPECT_EQ(0, std::memcmp(&image->excitationBank, &written->excitationBank,
                                 sizeof(ExcitationBank)));
        // A block cut short is overwritten as far as the file goes.
        const std::size_t inCalibration =
            std::min(c.length - bankEnd, sizeof(written->loadedCalibration));
        EXPECT_EQ(
            0, std::memcmp(&image->loadedCalibration, &written->loadedCalibration, inCalibration));
    }

    TempDir dir;
    std::string message;
    auto image = before();
    EXPECT_FALSE(LoadSetupFile(dir.File("none.plm"), *image, message));
    EXPECT_NE(message.find(dir.File("none.plm")), std::string::npos);
    EXPECT_NE(message.find("No such file or directory"), std::string::npos);
    EXPECT_FALSE(SaveSetupFile(dir.File("no/such.plm"), *written, message));
    EXPECT_NE(message.find("no/such.plm"), std::string::npos);
}

TEST(ArchiveString, LengthPrefixes) {
    const struct {
        std::size_t length;
        std::vector<uint8_t> prefix;
    } cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {300, {0xFF, 0x2C, 0x01}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        const std::string text(c.length, 'a');
        ByteWriter w;
        WriteArchiveString(w, text);
        const auto& bytes = w.Data();
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + c.prefix.size()), c.prefix);
        ByteReader r(bytes);
        std::string back;
        ASSERT_TRUE(ReadArchiveString(r, back));
        EXPECT_EQ(back, text);
        EXPECT_TRUE(r.AtEnd());
    }
}

TEST(ArchiveString, WideFormIsReadAsSingleByteText) {
    const struct {
        std::vector<uint8_t> bytes;
        std::string text;
    } cases[] = {
        // "aé€": Latin-1 characters stay (handed back in UTF-8), others become '?'.
        {{0xFF, 0xFE, 0xFF, 0x03, 'a', 0, 0xE9, 0, 0xAC, 0x20}, "a\xc3\xa9?"},
        // A surrogate pair is one character.
        {{0xFF, 0xFE, 0xFF, 0x03, 0x3D, 0xD8, 0x00, 0xDE, 'z', 0}, "?z"},
        {{0xFF, 0xFE, 0xFF, 0x00}, ""},
    };
    for (const auto& c : cases) {
        ByteReader r(c.bytes);
        std::string text;
        ASSERT_TRUE(ReadArchiveString(r, text));
        EXPECT_EQ(text, c.text);
        EXPECT_TRUE(r.AtEnd());
    }
    // The wide form with a long length prefix.
    std::vector<uint8_t> longWide = {0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01};
    for (int i = 0; i < 300; ++i) longWide.insert(longWide.end(), {'w', 0});
    ByteReader r(longWide);
    std::string text;
    ASSERT_TRUE(ReadArchiveString(r, text));
    EXPECT_EQ(text, std::string(300, 'w'));

    // Lengths beyond the bytes present are refused without reading.
    for (const std::vector<uint8_t>& bad :
         {std::vector<uint8_t>{0x05, 'a'}, std::vector<uint8_t>{0xFF, 0xFE, 0xFF, 0x02, 'a', 0},
          std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                               0xFF, 0xFF, 0xFF, 0x7F},
          std::vector<uint8_t>{0xFF, 0x01}}) {
        ByteReader br(bad);
        EXPECT_FALSE(ReadArchiveString(br, text));
    }
}

TEST(SetupFile, ClampKeepsEveryIndexInsideItsTable) {
    auto s = std::make_unique<SetupFileImage>();
    s->excitationBank.signalCount = 40;
    s->excitationBank.componentCount[3] = 1000;
    s->excitationBank.componentCount[4] = -2;
    s->selectedSignal = 99;
    s->loadedCalibration.count = 300;
    s->frequencyCount = -1;
    s->selectedFrequencyIndex = -5;
    s->channelMask = 0x1C0;
    s->channelCount = 12;
    s->xChannelIndex = 9;
    s->yChannelIndex = -3;
    s->sampleRateIndex = 3;
    s->dataBits = 7;
    s->recordingTime = 0;
    s->serialNumber = -3;
    ClampSetupImage(*s);
    EXPECT_EQ(s->excitationBank.signalCount, 16);
    EXPECT_EQ(s->excitationBank.componentCount[3], 256);
    EXPECT_EQ(s->excitationBank.componentCount[4], 0);
    EXPECT_EQ(s->selectedSignal, 15);
    EXPECT_EQ(s->loadedCalibration.count, 256);
    EXPECT_EQ(s->frequencyCount, 0);
    EXPECT_EQ(s->selectedFrequencyIndex, 0);
    EXPECT_EQ(s->channelMask, 0xC0);
    EXPECT_EQ(s->channelCount, 8);
    EXPECT_EQ(s->xChannelIndex, 7);
    EXPECT_EQ(s->yChannelIndex, 0);
    EXPECT_EQ(s->sampleRateIndex, 2);
    EXPECT_EQ(s->dataBits, 1);
    EXPECT_EQ(s->recordingTime, 1);
    EXPECT_EQ(s->serialNumber, 0);

    s->excitationBank.signalCount = 0;
    s->selectedSignal = 3;
    ClampSetupImage(*s);
    EXPECT_EQ(s->excitationBank.signalCount, 1);
    EXPECT_EQ(s->selectedSignal, 0);
}

}  // namespace
}  // namespace pelmor
