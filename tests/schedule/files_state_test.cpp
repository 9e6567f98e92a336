// The state file, the sound folders and the marker file.

#include "schedule/schedule_files.h"
#include "tests/schedule/files_test_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace sonterra {
namespace {

using test::ReadBytes;
using test::TestFolder;
using test::WriteBytes;

TEST(StateFile, WrittenAsOneLine) {
    TestFolder folder;
    WriteState(folder.path(), true);
    EXPECT_EQ(ReadBytes(folder / "SOM.INI"), "1\r\n");
    EXPECT_TRUE(ReadState(folder.path()));
    WriteState(folder.path(), false);
    EXPECT_EQ(ReadBytes(folder / "SOM.INI"), "0\r\n");
    EXPECT_FALSE(ReadState(folder.path()));
}

TEST(StateFile, OnlyAFirstLineOfExactlyOneIsActive) {
    TestFolder folder;
    const std::pair<const char*, bool> cases[] = {
        {"1", true},      {"1\r\n", true}, {"1\n0\nlixo", true}, {"1\r\r\n", true},
        {"1 ", false},    {"01", false},   {"", false},          {"0", false},
        {"\r\n1", false}, {" 1", false},   {"true", false},      {"1\t", false}};
    for (const auto& [bytes, active] : cases) {
        WriteBytes(folder / "SOM.INI", bytes);
        EXPECT_EQ(ReadState(folder.path()), active) << '"' << bytes << '"';
    }
}

TEST(StateFile, MissingMeansInactiveAndIsNotCreated) {
    TestFolder folder;
    EXPECT_FALSE(ReadState(folder.path()));
    EXPECT_FALSE(FileExists(folder / "SOM.INI"));
}

TEST(SoundFolders, CreatedWithTheirParents) {
    TestFolder folder;
    const std::string program = folder / "escola/Sonterra/";
    EnsureFolders(program);
    EXPECT_TRUE(DirectoryExists(program + "AUDIO"));
    EXPECT_TRUE(DirectoryExists(program + "HORA"));
    WriteBytes(program + "AUDIO/sino.mp3", "x");
    EnsureFolders(program); // existing folders and their files stay
    EXPECT_EQ(ReadBytes(program + "AUDIO/sino.mp3"), "x");
}

TEST(SoundFolders, AFolderThatCannotBeMadeIsLeftMissingSilently) {
    TestFolder folder;
    WriteBytes(folder / "AUDIO", "a file in the way");
    EXPECT_NO_THROW(EnsureFolders(folder.path()));
    EXPECT_FALSE(DirectoryExists(folder / "AUDIO"));
    EXPECT_TRUE(DirectoryExists(folder / "HORA"));
}

TEST(MarkerFile, OnlyAFileCounts) {
    TestFolder folder;
    EXPECT_FALSE(MarkerPresent(folder.path()));
    std::filesystem::create_directory(folder / "auto_execute.exe");
    EXPECT_FALSE(MarkerPresent(folder.path()));
    std::filesystem::remove(folder / "auto_execute.exe");
    WriteBytes(folder / "auto_execute.exe", "");
    EXPECT_TRUE(MarkerPresent(folder.path()));
}

} // namespace
} // namespace sonterra
