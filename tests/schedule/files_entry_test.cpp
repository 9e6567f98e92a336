// Program entry lines: fields by position, and paths that must survive.

#include "schedule/schedule_files.h"
#include "tests/schedule/files_test_folder.h"

#include <gtest/gtest.h>

namespace sonterra {
namespace {

using test::ReadBytes;
using test::TestFolder;

TEST(EntryLine, FieldsByPosition) {
    const std::string line = MakeEntryLine("07:30", true, "/sons/sino.mp3");
    EXPECT_EQ(line, "07:30 + /sons/sino.mp3");
    EXPECT_EQ(EntryTimeKey(line), "07:30");
    EXPECT_TRUE(EntrySpeaksTime(line));
    EXPECT_EQ(EntryAudioPath(line), "/sons/sino.mp3");
    EXPECT_EQ(MakeEntryLine("12:00", false, "b.wav"), "12:00 - b.wav");
    EXPECT_FALSE(EntrySpeaksTime("12:00 - b.wav"));
}

TEST(EntryLine, ShortAndOddLines) {
    EXPECT_EQ(EntryTimeKey("07:3"), "07:3"); // never equals a five-character key
    EXPECT_EQ(EntryTimeKey(""), "");
    EXPECT_FALSE(EntrySpeaksTime("07:30 "));
    EXPECT_FALSE(EntrySpeaksTime("07:30 x a"));
    EXPECT_TRUE(EntrySpeaksTime("07:30x+"));
    EXPECT_EQ(EntryAudioPath("07:30 +"), "");
    EXPECT_EQ(EntryAudioPath("07:30 + "), "");
    EXPECT_EQ(EntryAudioPath("07:30 + a"), "a");
}

TEST(EntryLine, PathIsTakenByPosition) {
    for (const std::string& path :
         {std::string("/home/escola/Meus Sons/toque + final - 2.mp3"),
          std::string("C:\\sons\\sino - 1.mp3"), test::AsSystemText("/sons/ação/música nº 1.mp3"),
          test::AsSystemText(" começa com espaço.wav")}) {
        const std::string line = MakeEntryLine("10:15", false, path);
        EXPECT_EQ(EntryAudioPath(line), path);
        EXPECT_FALSE(EntrySpeaksTime(line));
    }
}

TEST(EntryLine, PathIsCutAt255Characters) {
    const std::string path300(300, 'a');
    EXPECT_EQ(EntryAudioPath("07:30 - " + path300), std::string(255, 'a'));
    const std::string path255(255, 'b');
    EXPECT_EQ(EntryAudioPath("07:30 - " + path255), path255);
}

// Characters of the system's narrow text: UTF-8 on Linux (where "ç" is two
// bytes and "€" three), the ANSI code page on Windows (one byte each).
TEST(EntryLine, CutNeverSplitsAUtf8Character) {
    // 254 one-byte characters, then "ç" as the 255th and "ã" after it.
    const std::string head(254, 'x');
    const std::string c = test::AsSystemText("ç");
    EXPECT_EQ(EntryAudioPath("07:30 - " + head + c + test::AsSystemText("ã.mp3")), head + c);
    // "€" (3 bytes) as the 256th character is left out whole.
    const std::string head255(255, 'y');
    EXPECT_EQ(EntryAudioPath("07:30 - " + head255 + test::AsSystemText("€")), head255);
    // 255 characters kept: 510 bytes in UTF-8, 255 in Windows-1252.
    std::string accents;
    for (int i = 0; i < 300; ++i)
        accents += test::AsSystemText("é");
    const std::size_t bytesOfE = test::AsSystemText("é").size();
    EXPECT_EQ(EntryAudioPath("07:30 - " + accents), accents.substr(0, 255 * bytesOfE));
}

TEST(EntryLine, PathsRoundTripThroughTheDayFile) {
    TestFolder folder;
    const std::string path = test::AsSystemText("/home/escola/Meus Sons/sino + hora - ação.mp3");
    Lines written;
    ASSERT_EQ(AddEntry(folder.path(), 3, "07:30", true, path, written), AddResult::Added);
    EXPECT_EQ(ReadBytes(folder / "03.PR2"), "07:30 + " + path + "\r\n");
    const Lines read = LoadDay(folder.path(), 3);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(EntryAudioPath(read[0]), path);
    EXPECT_TRUE(EntrySpeaksTime(read[0]));
    EXPECT_EQ(EntryTimeKey(read[0]), "07:30");
}

} // namespace
} // namespace sonterra
