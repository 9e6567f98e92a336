// Temporary files of the atomic write: none is left by a write, and the
// start-up sweep removes those a killed process left, and nothing else.

#include "schedule/file_system.h"
#include "schedule/schedule_files.h"
#include "tests/schedule/files_test_folder.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>

namespace sonterra {
namespace {

using test::ReadBytes;
using test::TestFolder;
using test::WriteBytes;

// The number of a process that has just ended.
std::string DeadProcess() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return std::to_string(child);
}

TEST(StaleTemporaries, WritesLeaveOnlyTheirFiles) {
    TestFolder folder;
    for (int i = 0; i < 20; ++i) {
        WriteState(folder.path(), i % 2 == 0);
        WriteDay(folder.path(), 3, Lines(static_cast<std::size_t>(i), "07:00 - /a.mp3"));
    }
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"03.PR2", "SOM.INI"}));
}

TEST(StaleTemporaries, ThoseOfEndedProcessesAreRemoved) {
    TestFolder folder;
    const std::string dead = DeadProcess();
    const std::string alive = std::to_string(::getppid());
    WriteBytes(folder / "03.PR2", "07:00 - /a.mp3\r\n");
    WriteBytes(folder / (".03.PR2.tmp" + dead + "-0"), "07:00 - /a");
    WriteBytes(folder / (".SOM.INI.tmp" + dead + "-12"), "");
    WriteBytes(folder / ".SOM.INI.tmp999999999-1", "1\r\n"); // beyond any process number
    WriteBytes(folder / (".03.PR2.tmp" + std::to_string(::getpid()) + "-4"), "");
    // A writer still running, and names that only look like ours.
    WriteBytes(folder / (".03.PR2.tmp" + alive + "-0"), "x");
    const std::vector<std::string> lookalikes{".03.PR2.tmp",
                                              ".03.PR2.tmp-1",
                                              ".03.PR2.tmp" + dead,
                                              ".03.PR2.tmp" + dead + "-",
                                              ".03.PR2.tmp" + dead + "-1a",
                                              "03.PR2.tmp" + dead + "-0",
                                              ".tmp" + dead + "-0",
                                              "notas.tmp" + dead + "-0"};
    for (const std::string& name : lookalikes)
        WriteBytes(folder / name, "x");
    std::filesystem::create_directory(folder / (".04.PR2.tmp" + dead + "-0"));
    std::filesystem::create_symlink(folder / "03.PR2", folder / (".05.PR2.tmp" + dead + "-0"));

    RemoveStaleTemporaries(folder.path());

    std::vector<std::string> kept = lookalikes;
    for (const std::string& name : {std::string("03.PR2"), ".03.PR2.tmp" + alive + "-0",
                                    ".04.PR2.tmp" + dead + "-0", ".05.PR2.tmp" + dead + "-0"})
        kept.push_back(name);
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(folder.Names(), kept);
    EXPECT_EQ(ReadBytes(folder / "03.PR2"), "07:00 - /a.mp3\r\n");
}

TEST(WriteLines, NamesPlantedAheadForThisProcessDoNotStopTheSave) {
    TestFolder folder;
    const std::string mine = std::to_string(::getpid());
    for (int n = 0; n < 100; ++n)
        WriteBytes(folder / (".05.PR2.tmp" + mine + "-" + std::to_string(n)), "");
    EXPECT_NO_THROW(WriteLines(folder / "05.PR2", {"07:30 - a"}));
    EXPECT_EQ(ReadBytes(folder / "05.PR2"), "07:30 - a\r\n");
}

TEST(StaleTemporaries, MissingFolderIsNoError) {
    TestFolder folder;
    EXPECT_NO_THROW(RemoveStaleTemporaries(folder / "nada/"));
}

} // namespace
} // namespace sonterra
