// A write that fails reaches the caller as FileError with the path and the
// system's text, and leaves the old file, the caller's list and the folder
// (no temporary file) as they were.

#include "schedule/schedule_files.h"
#include "tests/schedule/files_test_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace sonterra {
namespace {

using test::Failure;
using test::ReadBytes;
using test::TestFolder;
using test::WriteBytes;

const std::string kOld = "07:00 + /a.mp3\r\n12:00 - /b.mp3\r\n";

// Runs the write, expects FileError naming path with this system's text of `failure`.
template <typename Write>
void ExpectFileError(Write write, const std::string& path, Failure failure) {
    try {
        write();
        ADD_FAILURE() << "no FileError for " << path;
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), path);
        const std::string what = e.what();
        EXPECT_NE(what.find(path), std::string::npos) << what;
        EXPECT_NE(what.find(test::SystemTextOf(failure)), std::string::npos) << what;
    }
}

TEST(FailedWrite, MissingFolder) {
    TestFolder folder;
    const std::string path = folder / "nada/01.PR2";
    ExpectFileError([&] { WriteLines(path, {"07:00 - a"}); }, path, Failure::MissingFolder);
    EXPECT_FALSE(DirectoryExists(folder / "nada"));
}

TEST(FailedWrite, ReadOnlyFolderKeepsTheOldFile) {
    TestFolder folder;
    WriteBytes(folder / "01.PR2", kOld);
    if (!test::MakeFolderReadOnly(folder.path()))
        GTEST_SKIP() << "no folder refuses new files here (Linux: the immutable flag needs root; "
                        "Wine does not enforce access control lists)";
    Lines written{"on screen"};
    try {
        AddEntry(folder.path(), 1, "09:00", false, "/c.mp3", written);
        ADD_FAILURE() << "no FileError";
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), folder / "01.PR2");
        EXPECT_NE(std::string(e.what()).find(folder / "01.PR2"), std::string::npos);
    }
    EXPECT_EQ(written, (Lines{"on screen"}));
    EXPECT_EQ(ReadBytes(folder / "01.PR2"), kOld);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"01.PR2"}));
    EXPECT_THROW(WriteState(folder.path(), true), FileError);
    EXPECT_FALSE(FileExists(folder / "SOM.INI"));
}

TEST(FailedWrite, TargetThatCannotBeReplaced) {
    TestFolder folder;
    WriteBytes(folder / "02.PR2", kOld);
    {
        test::UnreplaceableFile held(folder / "02.PR2");
        if (!held.active())
            GTEST_SKIP() << "the immutable flag needs root on ext4, xfs or btrfs";
        ExpectFileError([&] { WriteDay(folder.path(), 2, {"07:00 + /a.mp3"}); }, folder / "02.PR2",
                        Failure::Unreplaceable);
    }
    EXPECT_EQ(ReadBytes(folder / "02.PR2"), kOld);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"02.PR2"}));
}

TEST(FailedWrite, TargetIsAFolder) {
    TestFolder folder;
    std::filesystem::create_directory(folder / "03.PR2");
    WriteBytes(folder / "03.PR2/dentro", "x");
    ExpectFileError([&] { WriteDay(folder.path(), 3, {"07:00 + /a.mp3"}); }, folder / "03.PR2",
                    Failure::TargetIsFolder);
    EXPECT_EQ(ReadBytes(folder / "03.PR2/dentro"), "x");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"03.PR2"}));
}

TEST(FailedWrite, DiskFullHalfwayKeepsTheOldFile) {
    TestFolder folder;
    WriteBytes(folder / "04.PR2", kOld);
    Lines big;
    for (int i = 0; i < 100; ++i)
        big.push_back("08:" + std::to_string(10 + i % 50) + " - /sons/um nome comprido.mp3");
    Lines written{"on screen"};
    {
        test::DiskFull full(64); // writes past 64 bytes fail
        if (!full.active())
            GTEST_SKIP() << "no way to fill a disk for one process here (Windows)";
        ExpectFileError([&] { WriteDay(folder.path(), 4, big); }, folder / "04.PR2",
                        Failure::DiskFull);
        WriteBytes(folder / "04.PR2.extra", ""); // small files still work
        std::filesystem::remove(folder / "04.PR2.extra");
        WriteBytes(folder / "04.PR2", kOld); // and the old content fits
    }
    EXPECT_EQ(ReadBytes(folder / "04.PR2"), kOld);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"04.PR2"}));
    EXPECT_EQ(written, (Lines{"on screen"}));
}

TEST(FailedWrite, AddEntryWhoseWriteFailsLeavesTheListAndFile) {
    TestFolder folder;
    WriteBytes(folder / "05.PR2", kOld);
    Lines written{"on screen"};
    {
        test::DiskFull full(kOld.size());
        if (!full.active())
            GTEST_SKIP() << "no way to fill a disk for one process here (Windows)";
        EXPECT_THROW(AddEntry(folder.path(), 5, "09:00", false, "/c.mp3", written), FileError);
    }
    EXPECT_EQ(written, (Lines{"on screen"}));
    EXPECT_EQ(ReadBytes(folder / "05.PR2"), kOld);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"05.PR2"}));
}

} // namespace
} // namespace sonterra
