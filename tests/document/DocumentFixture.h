#pragma once

// A document built on test doubles: a memory profile, a scripted user interface whose home
// folder is a fresh temporary folder, the system clock and the device emulator.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "device/DeviceEmulator.h"
#include "document/CPelmorDoc.h"
#include "files/SetupFile.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"

namespace pelmor {

struct DocumentFixture : ::testing::Test {
    test::MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::RecordingShell shell;
    test::TempDir home;
    SystemClock clock;
    EmulatorOptions emulatorOptions;
    std::unique_ptr<DeviceEmulator> emulator;
    std::unique_ptr<MeasurementState> state = std::make_unique<MeasurementState>();
    std::unique_ptr<CPelmorDoc> doc;

    DocumentFixture() { shell.homeFolder = home.Path(); }

    std::unique_ptr<CPelmorDoc> MakeDocument() {
        if (!emulator) emulator = std::make_unique<DeviceEmulator>(emulatorOptions, &clock);
        return std::make_unique<CPelmorDoc>(*state,
                                            DocumentServices{profile, ui, shell, clock, *emulator});
    }

    bool WaitUntilIdle(std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
        auto end = std::chrono::steady_clock::now() + limit;
        while (state->measurementRunning && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        doc->WaitForMeasurementEnd();
        return state->measurementRunning == 0;
    }

    // A fresh document and a copy of a 2 s recording of twelve harmonics of a 1 s period in the
    // default setup ("" when it could not be copied).
    std::string TwelveHarmonicsRecording() {
        doc = MakeDocument();
        const std::string file = test::CopyFixture("twelve 001.inpx", home);
        EXPECT_FALSE(file.empty());
        return file;
    }

    // One signal of twelve harmonics of a 1 s period, moderate phases.
    void TwelveHarmonics() { test::UseTwelveHarmonics(*doc); }
};

}  // namespace pelmor
