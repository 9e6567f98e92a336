// Text files as lines: what goes on disk, byte for byte, and how it reads back.

#include "schedule/schedule_files.h"
#include "tests/schedule/files_test_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace sonterra {
namespace {

using test::ReadBytes;
using test::TestFolder;
using test::WriteBytes;

TEST(WriteLines, EveryLineEndsWithCrLf) {
    TestFolder folder;
    WriteLines(folder / "01.PR2", {"07:30 + /sons/sino.mp3", "12:00 - /sons/b.wav"});
    EXPECT_EQ(ReadBytes(folder / "01.PR2"), "07:30 + /sons/sino.mp3\r\n12:00 - /sons/b.wav\r\n");
    WriteLines(folder / "01.PR2", {""});
    EXPECT_EQ(ReadBytes(folder / "01.PR2"), "\r\n");
}

TEST(WriteLines, NoLinesIsAnEmptyFile) {
    TestFolder folder;
    WriteBytes(folder / "02.PR2", "07:30 - a\r\n");
    WriteLines(folder / "02.PR2", {});
    EXPECT_TRUE(std::filesystem::exists(folder / "02.PR2"));
    EXPECT_EQ(std::filesystem::file_size(folder / "02.PR2"), 0u);
    EXPECT_TRUE(ReadLines(folder / "02.PR2").empty());
}

TEST(WriteLines, LeavesNoTemporaryFileBehind) {
    TestFolder folder;
    WriteLines(folder / "03.PR2", {"a"});
    WriteLines(folder / "03.PR2", {"b"});
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"03.PR2"}));
}

// Linux keeps 0640 as it is; Windows has only the read-only attribute and
// reports 0666 for a writable file. Either way the new file keeps it.
TEST(WriteLines, KeepsTheOldFilesPermissions) {
    TestFolder folder;
    WriteBytes(folder / "04.PR2", "a\r\n");
    std::filesystem::permissions(folder / "04.PR2", std::filesystem::perms(0640));
    const auto before = std::filesystem::status(folder / "04.PR2").permissions();
    WriteLines(folder / "04.PR2", {"b"});
    EXPECT_EQ(std::filesystem::status(folder / "04.PR2").permissions(), before);
    EXPECT_EQ(ReadBytes(folder / "04.PR2"), "b\r\n");
}

TEST(ReadLines, AnyLineEndAndAnUnterminatedLastLine) {
    TestFolder folder;
    const Lines expected{"07:30 + a", "08:00 - b", "09:00 - c"};
    for (const char* bytes :
         {"07:30 + a\r\n08:00 - b\r\n09:00 - c\r\n", "07:30 + a\n08:00 - b\n09:00 - c\n",
          "07:30 + a\n08:00 - b\n09:00 - c", "07:30 + a\r08:00 - b\r09:00 - c",
          "07:30 + a\r\n08:00 - b\n09:00 - c\r"}) {
        WriteBytes(folder / "x.PR2", bytes);
        EXPECT_EQ(ReadLines(folder / "x.PR2"), expected) << bytes;
    }
}

TEST(ReadLines, EmptyLinesInsideCount) {
    TestFolder folder;
    WriteBytes(folder / "x", "a\r\n\r\nb\n\nc\r\r");
    EXPECT_EQ(ReadLines(folder / "x"), (Lines{"a", "", "b", "", "c", ""}));
    WriteBytes(folder / "x", "\r\n");
    EXPECT_EQ(ReadLines(folder / "x"), (Lines{""}));
}

TEST(ReadLines, BytesAreKeptAsTheyAre) {
    TestFolder folder;
    const std::string latin1 = "07:30 - C:\\sons\\m\xFAsica.mp3"; // not UTF-8
    WriteLines(folder / "x", {latin1, "\t08:00 + a\x01"});
    EXPECT_EQ(ReadLines(folder / "x"), (Lines{latin1, "\t08:00 + a\x01"}));
}

// Some editors start a UTF-8 file with a byte-order mark; the first entry
// must still read as "07:30".
TEST(ReadLines, ALeadingUtf8ByteOrderMarkIsNotText) {
    TestFolder folder;
    WriteBytes(folder / "02.PR2", "\xEF\xBB\xBF"
                                  "07:30 + /sons/a.mp3\r\n08:00 - /sons/b.mp3\r\n");
    const Lines day = LoadDay(folder.path(), 2);
    ASSERT_EQ(day, (Lines{"07:30 + /sons/a.mp3", "08:00 - /sons/b.mp3"}));
    EXPECT_EQ(EntryTimeKey(day[0]), "07:30");

    WriteBytes(folder / "SOM.INI", "\xEF\xBB\xBF"
                                   "1\r\n");
    EXPECT_TRUE(ReadState(folder.path()));
    WriteBytes(folder / "x", "\xEF\xBB\xBF");
    EXPECT_TRUE(ReadLines(folder / "x").empty());
    // Only at the very start, and only the whole mark.
    WriteBytes(folder / "x", "a\r\n\xEF\xBB\xBF"
                             "b\r\n\xEF\xBB"
                             "c");
    EXPECT_EQ(ReadLines(folder / "x"), (Lines{"a",
                                              "\xEF\xBB\xBF"
                                              "b",
                                              "\xEF\xBB"
                                              "c"}));

    // An add writes the file back as the program writes it: no mark.
    Lines written;
    ASSERT_EQ(AddEntry(folder.path(), 2, "09:00", false, "/sons/c.mp3", written), AddResult::Added);
    EXPECT_EQ(ReadBytes(folder / "02.PR2"),
              "07:30 + /sons/a.mp3\r\n08:00 - /sons/b.mp3\r\n09:00 - /sons/c.mp3\r\n");
}

TEST(ReadLines, MissingFileHasNoLines) {
    TestFolder folder;
    EXPECT_TRUE(ReadLines(folder / "05.PR2").empty());
    EXPECT_TRUE(ReadLines(folder / "nada/05.PR2").empty());
}

// Linux opens a folder and fails at the first read (EISDIR); Windows refuses
// to open it (access denied). Either way in the words writes use.
TEST(ReadLines, AFileThatCannotBeReadThrowsWithItsPath) {
    TestFolder folder;
    std::filesystem::create_directory(folder / "06.PR2");
    const test::Failure failure = test::Failure::TargetIsFolder;
    try {
        ReadLines(folder / "06.PR2");
        FAIL() << "no FileError";
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), folder / "06.PR2");
        EXPECT_NE(std::string(e.what()).find(folder / "06.PR2"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find(test::SystemTextOf(failure)), std::string::npos)
            << e.what();
    }
}

TEST(FileAndFolderExistence, FilesAreNotFolders) {
    TestFolder folder;
    WriteBytes(folder / "f", "");
    std::filesystem::create_directory(folder / "d");
    EXPECT_TRUE(FileExists(folder / "f"));
    EXPECT_FALSE(FileExists(folder / "d"));
    EXPECT_FALSE(FileExists(folder / "nada"));
    EXPECT_TRUE(DirectoryExists(folder / "d"));
    EXPECT_FALSE(DirectoryExists(folder / "f"));
    EXPECT_FALSE(DirectoryExists(folder / "nada"));
}

} // namespace
} // namespace sonterra
