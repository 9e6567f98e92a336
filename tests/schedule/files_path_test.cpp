// Names with characters outside ASCII: the schedule files and the program's
// folders are found under the name fopen gives them. On Windows these are
// ANSI (Windows-1252) bytes, where "–" is 0x96 and "“" 0x93; a path widened
// byte by byte would turn them into control characters and miss the file.
// The names are written in UTF-8 and spelt as the system does (S).

#include "schedule/current_folder.h"
#include "schedule/schedule_files.h"
#include "tests/schedule/files_test_folder.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

namespace sonterra {
namespace {

using test::TestFolder;

std::string S(const char* utf8) {
    return test::AsSystemText(utf8);
}

// Made and read through the C library, which takes the system's narrow text.
bool CreateWithFopen(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::fputs("x", f);
    return std::fclose(f) == 0;
}

bool OpensWithFopen(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f)
        std::fclose(f);
    return f != nullptr;
}

TEST(NamesOutsideAscii, SoundFilesAreFound) {
    TestFolder folder;
    for (const std::string& name :
         {S("Sinal – Saída.mp3"), S("Hino “Nacional”.mp3"), S("música.mp3")}) {
        ASSERT_TRUE(CreateWithFopen(folder / name)) << name;
        EXPECT_TRUE(FileExists(folder / name)) << name;
        EXPECT_FALSE(DirectoryExists(folder / name)) << name;
    }
    EXPECT_FALSE(FileExists(folder / S("Sinal – Entrada.mp3")));
}

TEST(NamesOutsideAscii, ProgramFolderGetsItsFoldersAndDayFiles) {
    TestFolder root;
    const std::string program = root / S("Sinal – Escola") + test::PathSeparator();
    EnsureFolders(program);
    EXPECT_TRUE(DirectoryExists(program));
    EXPECT_TRUE(DirectoryExists(AudioFolder(program)));
    EXPECT_TRUE(CreateWithFopen(SpokenTimeFolder(program) + "07H30M.WAV"));
    EXPECT_TRUE(CreateWithFopen(AudioFolder(program) + S("Hino “Nacional”.mp3")));

    WriteState(program, true);
    EXPECT_TRUE(ReadState(program));
    Lines written;
    ASSERT_EQ(AddEntry(program, 2, "07:30", true, AudioFolder(program) + S("Hino “Nacional”.mp3"),
                       written),
              AddResult::Added);
    EXPECT_TRUE(OpensWithFopen(program + "02.PR2"));
    EXPECT_EQ(LoadDay(program, 2), written);
    EXPECT_TRUE(FileExists(EntryAudioPath(written.front())));
    EXPECT_FALSE(MarkerPresent(program));
    CreateWithFopen(program + "auto_execute.exe");
    EXPECT_TRUE(MarkerPresent(program));
}

TEST(NamesOutsideAscii, CurrentFolderIsTheNamedOne) {
    TestFolder root;
    const std::string program = root / S("Sinal – Escola") + test::PathSeparator();
    EnsureFolders(program);
    const std::filesystem::path saved = std::filesystem::current_path();
    ASSERT_TRUE(SetCurrentFolder(SpokenTimeFolder(program)));
    const bool created = CreateWithFopen("aqui.WAV");
    std::filesystem::current_path(saved); // the folder must be left before it is removed
    EXPECT_TRUE(created);
    EXPECT_TRUE(OpensWithFopen(SpokenTimeFolder(program) + "aqui.WAV"));
    EXPECT_FALSE(SetCurrentFolder(root / S("Sinal – Nada")));
}

} // namespace
} // namespace sonterra
