// Weekday program files: names, loading, adding with the taken-time
// refusal, and writing back after a deletion.

#include "schedule/schedule_files.h"
#include "tests/schedule/files_test_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace sonterra {
namespace {

using test::ReadBytes;
using test::TestFolder;
using test::WriteBytes;

TEST(DayFile, NamesAndPlaces) {
    EXPECT_EQ(DayFileName(1), "01.PR2");
    EXPECT_EQ(DayFileName(7), "07.PR2");
    EXPECT_EQ(StateFilePath("/p/"), "/p/SOM.INI");
    EXPECT_EQ(AudioFolder("/p/"), "/p/AUDIO/");
    EXPECT_EQ(SpokenTimeFolder("/p/"), "/p/HORA/");
}

TEST(DayFile, MissingDayHasNoEntriesAndIsNotCreated) {
    TestFolder folder;
    EXPECT_TRUE(LoadDay(folder.path(), 2).empty());
    EXPECT_TRUE(folder.Names().empty());
}

TEST(AddEntry, FirstEntryCreatesTheFile) {
    TestFolder folder;
    Lines written;
    EXPECT_EQ(AddEntry(folder.path(), 1, "07:30", false, "/a.mp3", written), AddResult::Added);
    EXPECT_EQ(written, (Lines{"07:30 - /a.mp3"}));
    EXPECT_EQ(ReadBytes(folder / "01.PR2"), "07:30 - /a.mp3\r\n");
}

TEST(AddEntry, AppendsAfterOutOfOrderLinesFromDisk) {
    TestFolder folder;
    WriteBytes(folder / "04.PR2", "12:00 - /b.mp3\n07:00 + /a.mp3"); // another editor
    Lines written{"stale list on screen"};
    ASSERT_EQ(AddEntry(folder.path(), 4, "09:15", true, "/c.mp3", written), AddResult::Added);
    EXPECT_EQ(written, (Lines{"12:00 - /b.mp3", "07:00 + /a.mp3", "09:15 + /c.mp3"}));
    EXPECT_EQ(ReadBytes(folder / "04.PR2"),
              "12:00 - /b.mp3\r\n07:00 + /a.mp3\r\n09:15 + /c.mp3\r\n");
}

TEST(AddEntry, RefusesATakenTimeAndLeavesEverythingAlone) {
    TestFolder folder;
    const std::string bytes = "07:30 - /a.mp3\r\n07:30 + /b.mp3\n08:00"; // hand-edited twin
    WriteBytes(folder / "05.PR2", bytes);
    EXPECT_EQ(LoadDay(folder.path(), 5).size(), 3u);
    Lines written{"as before"};
    EXPECT_EQ(AddEntry(folder.path(), 5, "07:30", true, "/c.mp3", written), AddResult::TimeTaken);
    EXPECT_EQ(AddEntry(folder.path(), 5, "08:00", true, "/c.mp3", written), AddResult::TimeTaken);
    EXPECT_EQ(written, (Lines{"as before"}));
    EXPECT_EQ(ReadBytes(folder / "05.PR2"), bytes);
    EXPECT_EQ(AddEntry(folder.path(), 5, "07:31", true, "/c.mp3", written), AddResult::Added);
}

TEST(AddEntry, ComparesTheFirstFiveCharactersExactly) {
    TestFolder folder;
    WriteBytes(folder / "06.PR2", "7:30 - /a.mp3\r\n07:3\r\n");
    Lines written;
    EXPECT_EQ(AddEntry(folder.path(), 6, "07:30", false, "/b.mp3", written), AddResult::Added);
    EXPECT_EQ(written.size(), 3u);
}

TEST(WriteDay, RemainingLinesSortedByTheCaller) {
    TestFolder folder;
    WriteBytes(folder / "02.PR2", "12:00 - /b.mp3\r\n07:00 + /a.mp3\r\n09:00 - /c.mp3\r\n");
    WriteDay(folder.path(), 2, {"07:00 + /a.mp3", "12:00 - /b.mp3"});
    EXPECT_EQ(ReadBytes(folder / "02.PR2"), "07:00 + /a.mp3\r\n12:00 - /b.mp3\r\n");
}

TEST(WriteDay, DeletingTheLastEntryLeavesAnEmptyFile) {
    TestFolder folder;
    WriteBytes(folder / "07.PR2", "07:00 + /a.mp3\r\n");
    WriteDay(folder.path(), 7, {});
    ASSERT_TRUE(FileExists(folder / "07.PR2"));
    EXPECT_EQ(std::filesystem::file_size(folder / "07.PR2"), 0u);
    EXPECT_TRUE(LoadDay(folder.path(), 7).empty());
}

} // namespace
} // namespace sonterra
