#include <gtest/gtest.h>

#include "core/FileBytes.h"
#include "document/DocumentFixture.h"

namespace pelmor {
namespace {

TEST_F(DocumentFixture, StoreAndBatchImportFillTheCollectionAndItsTables) {
    const std::string file = TwelveHarmonicsRecording();
    ASSERT_TRUE(FileExists(file)) << file;
    ASSERT_TRUE(doc->ImportDataFile(file));
    EXPECT_FALSE(doc->CanStore(true));  // not while the stored window fills the view
    ASSERT_TRUE(doc->CanStore(false));
    ASSERT_TRUE(doc->StoreImpedance());
    EXPECT_EQ(doc->UpdateStatusText().pane2, "Stored samples:1");
    EXPECT_EQ(doc->Stored().results[0].spectrum.label.rfind(FileNameOf(file), 0), 0u)
        << doc->Stored().results[0].spectrum.label;

    // A refused file is not stored, and one message names it with its reason.
    const std::string broken = home.File("broken.inpx");
    std::string reason;
    ASSERT_TRUE(WriteFileBytes(broken, std::vector<uint8_t>(40, 7), reason));
    ui.ClearRecords();
    EXPECT_EQ(doc->ImportFromFiles({file, broken}), 1);
    EXPECT_EQ(doc->Stored().count, 2);
    const auto messages = ui.Messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().find("broken.inpx"), std::string::npos) << messages.back();

    // Quitting asks while stored results were neither copied nor exported; No (the default)
    // keeps the program open, and a failed hand-out does not count.
    const std::string quit = "2 stored results have not been copied or exported. Quit anyway?";
    ui.ClearRecords();
    ui.QueueAnswer(false);
    EXPECT_FALSE(doc->CanCloseFrame());
    EXPECT_EQ(ui.DefaultNoQuestions(), std::vector<std::string>{quit});
    shell.spreadsheetAvailable = false;
    EXPECT_FALSE(doc->HandOutStoredData(true));
    ui.QueueAnswer(true);
    EXPECT_TRUE(doc->CanCloseFrame());
    EXPECT_EQ(ui.DefaultNoQuestions(), (std::vector<std::string>{quit, quit}));

    // With stored results, "Copy impedance data" hands out the stored table.
    ASSERT_TRUE(doc->HandOutStoredData(false));
    ASSERT_FALSE(shell.clipboard.empty());
    const std::string storedTable = shell.clipboard.back();
    ASSERT_TRUE(doc->HandOutImpedanceData(false));
    EXPECT_EQ(shell.clipboard.back(), storedTable);
    ui.ClearRecords();
    EXPECT_TRUE(doc->CanCloseFrame());
    EXPECT_TRUE(ui.Questions().empty());
    // A new result asks again, for itself alone.
    ASSERT_TRUE(doc->StoreImpedance());
    ui.QueueAnswer(false);
    EXPECT_FALSE(doc->CanCloseFrame());
    EXPECT_EQ(ui.Questions(), std::vector<std::string>{"1 stored results have not been copied or "
                                                       "exported. Quit anyway?"});
    // A table that leaves it out because it is not marked does not count for it.
    doc->ToggleStoredMarked();
    ASSERT_FALSE(doc->Stored().results[doc->Stored().selected].marked);
    ASSERT_TRUE(doc->HandOutStoredData(false));
    ui.ClearRecords();
    ui.QueueAnswer(false);
    EXPECT_FALSE(doc->CanCloseFrame());
    EXPECT_EQ(ui.Questions().size(), 1u);
}

}  // namespace
}  // namespace pelmor
