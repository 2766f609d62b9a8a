// Whole-file writes: what they refuse to write into.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/FileBytes.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

TEST(FileBytes, ADestinationThatIsNoRegularFileIsRefusedAndKept) {
    test::TempDir dir;
    const std::string fifo = dir.File("pipe.inpx");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string link = dir.File("link.inpx");
    std::filesystem::create_symlink(fifo, link);
    for (const std::string& path : {fifo, link, std::string("/dev/null")}) {
        std::string reason;
        // Opened for writing, the FIFO would block here for want of a reader.
        EXPECT_FALSE(WriteFileBytes(path, "data", 4, reason)) << path;
        EXPECT_EQ(reason, path + " is not a regular file.");
    }
    struct stat st {};
    ASSERT_EQ(stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A link to a regular file is followed and the file written.
    const std::string target = dir.File("target.inpx");
    const std::string toFile = dir.File("to-file.inpx");
    std::string reason;
    ASSERT_TRUE(WriteFileBytes(target, "old", 3, reason)) << reason;
    std::filesystem::create_symlink(target, toFile);
    ASSERT_TRUE(WriteFileBytes(toFile, "new", 3, reason)) << reason;
    std::string text;
    ASSERT_TRUE(ReadFileText(target, text, reason));
    EXPECT_EQ(text, "new");
    EXPECT_TRUE(std::filesystem::is_symlink(toFile));
}

}  // namespace
}  // namespace pelmor
