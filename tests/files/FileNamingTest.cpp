#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/FileBytes.h"
#include "files/FileNaming.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using test::MemoryProfile;
using test::TempDir;

// A file system of the names in a set.
struct FakeFolder {
    std::set<std::string> names;
    FileExistsFunction Exists() {
        return [this](const std::string& path) { return names.count(path) > 0; };
    }
};

TEST(FileNaming, CandidateNames) {
    const struct {
        const char* base;
        int serial, dataBits;
        const char* expected;
    } cases[] = {
        {"D:\\data\\x", 0, 1, "D:\\data\\x 001.inpx"},
        {"x", 998, 0, "x 999.inp"},
        {"x", 999, 0, "x 1000.inp"},
        {"", 0, 1, " 001.inpx"},
        {"/m/run", 41, 1, "/m/run 042.inpx"},
        {"x", 2147483647, 1, "x 2147483648.inpx"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CandidateName(c.base, c.serial, c.dataBits), c.expected) << c.base;
}

TEST(FileNaming, FreeNameSkipsExistingFilesOfTheCurrentExtension) {
    FakeFolder folder;
    folder.names = {"D:\\m\\run 001.inpx", "D:\\m\\run 002.inpx"};
    FileNaming naming;
    naming.baseName = "D:\\m\\run";
    const std::string path = FindFreeName(naming.baseName, naming.serialNumber, 1, folder.Exists());
    EXPECT_EQ(path, "D:\\m\\run 003.inpx");
    EXPECT_EQ(naming.serialNumber, 2);
    AdvanceAfterRecording(naming, path, true);
    EXPECT_EQ(naming.serialNumber, 3);
    EXPECT_EQ(naming.currentDataFileName, path);

    // Another extension: only names with the current one count.
    int serial = 0;
    EXPECT_EQ(FindFreeName("D:\\m\\run", serial, 0, folder.Exists()), "D:\\m\\run 001.inp");
    EXPECT_EQ(serial, 0);
}

TEST(FileNaming, RecordingsOfAFreshBase) {
    for (int extra : {0, 1}) {
        FakeFolder folder;
        FileNaming naming;
        naming.baseName = "x";
        naming.extraSerialStep = extra;
        std::vector<std::string> written;
        for (int i = 0; i < 3; ++i) {
            const std::string path =
                FindFreeName(naming.baseName, naming.serialNumber, 1, folder.Exists());
            folder.names.insert(path);
            written.push_back(path);
            AdvanceAfterRecording(naming, path, true);
        }
        if (extra)
            EXPECT_EQ(written,
                      (std::vector<std::string>{"x 001.inpx", "x 003.inpx", "x 005.inpx"}));
        else
            EXPECT_EQ(written,
                      (std::vector<std::string>{"x 001.inpx", "x 002.inpx", "x 003.inpx"}));
    }

    // A file that could not be written still uses up its number but is not the current file.
    FileNaming naming;
    naming.currentDataFileName = "before";
    naming.extraSerialStep = 1;
    AdvanceAfterRecording(naming, "lost", false);
    EXPECT_EQ(naming.serialNumber, 1);
    EXPECT_EQ(naming.currentDataFileName, "before");
}

TEST(FileNaming, SetFileNameMovesPastExistingFiles) {
    FakeFolder folder;
    folder.names = {"/m/run 001.inp", "/m/run 002.inp"};
    FileNaming naming;
    naming.serialNumber = 17;
    EXPECT_EQ(SetFileName(naming, "/m", "run", 0, folder.Exists()), "/m/run 003.inp");
    EXPECT_EQ(naming.baseName, "/m/run");
    EXPECT_EQ(naming.serialNumber, 2);
    EXPECT_TRUE(naming.baseNameChosen);

    EXPECT_EQ(BaseNameFromDialog("", "t"), "t");
    EXPECT_EQ(BaseNameFromDialog("/m/", "t"), "/m//t");  // the folder is used as it stands

    // The real file system by default.
    TempDir dir;
    std::string reason;
    ASSERT_TRUE(WriteFileBytes(dir.File("s 001.inpx"), std::vector<uint8_t>{1}, reason));
    FileNaming real;
    EXPECT_EQ(SetFileName(real, dir.Path(), "s", 1), dir.File("s 002.inpx"));
}

TEST(FileNaming, NextSelectedSignalWraps) {
    EXPECT_EQ(NextSelectedSignal(0, 3), 1);
    EXPECT_EQ(NextSelectedSignal(2, 3), 0);
    EXPECT_EQ(NextSelectedSignal(0, 1), 0);
    EXPECT_EQ(NextSelectedSignal(20, 3), 0);
}

TEST(SaveOptions, ProfileValuesAndDefaults) {
    MemoryProfile profile;
    const std::string home(300, 'h');
    SaveOptions fresh = LoadSaveOptions(profile, 0, home);
    EXPECT_EQ(fresh.title, "x");
    EXPECT_EQ(fresh.folder, std::string(256, 'h'));
    EXPECT_EQ(fresh.appendSerialNumber, 1);
    EXPECT_EQ(fresh.dataBits, 0);

    profile.WriteString("Save Options", "Working Folder", "/data");
    profile.WriteInt("Save Options", "Append Serial Nummber", 0);
    const SaveOptions stored = LoadSaveOptions(profile, 1, home);
    EXPECT_EQ(stored.folder, "/data");
    EXPECT_EQ(stored.appendSerialNumber, 0);
    EXPECT_EQ(stored.title, "x");
}

TEST(SaveOptions, SessionWritesBackWhicheverWayItEnds) {
    MemoryProfile profile;
    {
        SaveOptionsSession session(profile, 1, "/home/u");
        EXPECT_EQ(session.options.folder, "/home/u");
        ApplySelectedFile(session.options, "/data/x/2026/x.inpx", "x.inpx");
        // Left without OK: the folder picked is remembered all the same.
    }
    EXPECT_EQ((profile.strings[{"Save Options", "Working Folder"}]), "/data/x/2026");
    EXPECT_EQ((profile.ints[{"Save Options", "Append Serial Nummber"}]), 1);
    {
        SaveOptionsSession session(profile, 1, "/home/u");
        EXPECT_EQ(session.options.folder, "/data/x/2026");
    }
}

TEST(SaveOptions, SelectTakesFolderAndTitleFromThePath) {
    const struct {
        const char* path;
        const char* name;
        const char* folder;
        const char* title;
    } cases[] = {
        {"/home/x/data/x.inpx", "x.inpx", "/home/x/data", "x"},
        // A folder whose name holds the file name is not mistaken for it.
        {"/data/run/run", "run", "/data/run", "run"},
        {"/m/x.inpx/x.inpx", "x.inpx", "/m/x.inpx", "x"},
        {"/m/run.2.inp", "run.2.inp", "/m", "run.2"},
        {"/m/run", "run", "/m", "run"},
        {"run.inpx", "run.inpx", "", "run"},
        {"/m/other.inpx", "run.inpx", "", "run"},
    };
    for (const auto& c : cases) {
        SaveOptions options;
        options.folder = "old";
        ApplySelectedFile(options, c.path, c.name);
        EXPECT_EQ(options.folder, c.folder) << c.path;
        EXPECT_EQ(options.title, c.title) << c.path;
    }
    EXPECT_EQ(SaveOptionsFilter(1), "Data files (*.inpx) |*.inpx||");
    EXPECT_EQ(SaveOptionsFilter(0), "12-bit data files (*.inp) |*.inp||");
}

}  // namespace
}  // namespace pelmor
