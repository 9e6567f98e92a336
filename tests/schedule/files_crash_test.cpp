// A process killed (SIGKILL) in the middle of its writes while it adds, deletes and
// rewrites entries and flips the state: every file is always one whole
// version, the one before the interrupted write or the one after, and the
// temporary files of the killed writes do not pile up.

#include "schedule/schedule_files.h"
#include "tests/schedule/files_crash_journal.h"
#include "tests/schedule/files_test_folder.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace sonterra {
namespace {

using test::JournalLine;
using test::ReadBytes;
using test::TestFolder;

constexpr int kKills = 300;

// Runs the driver and waits for it; its exit status. With announcements > 0,
// kills it right after it has announced that many versions: the kill falls on
// the write it just announced, however fast or busy the machine is. *heard
// gets the number of announcements read.
int RunDriver(const std::vector<std::string>& args, int announcements = 0, int* heard = nullptr) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        std::vector<char*> argv{const_cast<char*>(SONTERRA_CRASH_DRIVER)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    int count = 0;
    char byte;
    while (count < announcements && ::read(pipeFds[0], &byte, 1) == 1)
        ++count;
    if (announcements > 0)
        ::kill(child, SIGKILL);
    ::close(pipeFds[0]);
    if (heard)
        *heard = count;
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

// The last two versions the journal announced for each file: the one on disk
// before the interrupted write and the one it was writing.
std::map<std::string, std::vector<std::string>> LastTwo(const std::string& journal) {
    std::map<std::string, std::vector<std::string>> versions;
    const std::string text = ReadBytes(journal);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = text.substr(start, end + 1 - start);
        auto& v = versions[line.substr(0, line.find(' '))];
        v.push_back(line);
        if (v.size() > 2)
            v.erase(v.begin());
    }
    return versions;
}

TEST(CrashDuringWrite, EveryFileIsWholeAndNoTemporaryPilesUp) {
    TestFolder folder;
    TestFolder journalFolder;
    const std::string journal = journalFolder / "journal";
    WriteDay(folder.path(), 3, {"07:00 + /sons/a.mp3"});
    WriteState(folder.path(), false);
    test::WriteBytes(journal, JournalLine("03.PR2", ReadBytes(folder / "03.PR2")) +
                                  JournalLine("SOM.INI", ReadBytes(folder / "SOM.INI")));

    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    int leftTemporary = 0;
    std::size_t announced = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        // The two files as found, then 1 to 12 writes; the kill meets the last.
        const int wanted = 2 + 1 + static_cast<int>(rng() % 12);
        int heard = 0;
        const int status =
            RunDriver({folder.path(), journal, std::to_string(rng())}, wanted, &heard);
        ASSERT_EQ(heard, wanted) << "the driver stopped announcing (seed " << seed << ")";
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the driver ended by itself, status " << status << " (seed " << seed << ")";
        announced += static_cast<std::size_t>(heard);

        const auto versions = LastTwo(journal);
        for (const std::string name : {"03.PR2", "SOM.INI"}) {
            ASSERT_TRUE(std::filesystem::is_regular_file(folder / name))
                << name << " is gone after kill " << kill << " (seed " << seed << ")";
            const std::string onDisk = JournalLine(name, ReadBytes(folder / name));
            const std::vector<std::string>& whole = versions.at(name);
            ASSERT_NE(std::find(whole.begin(), whole.end(), onDisk), whole.end())
                << name << " after kill " << kill << " is neither version: " << onDisk << " (seed "
                << seed << ")";
        }
        const std::size_t names = folder.Names().size();
        leftTemporary += names > 2;
        // A kill between naming the new file and renaming it leaves one;
        // the next run's start-up removes it.
        ASSERT_LE(names, 3u) << "temporary files pile up after kill " << kill << " (seed " << seed
                             << ")";
    }
    EXPECT_EQ(RunDriver({folder.path(), "--sweep"}), 0);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"03.PR2", "SOM.INI"}));

    // Each run announces the two files as it found them, then its writes.
    std::size_t versions = 0;
    for (const char c : ReadBytes(journal))
        versions += c == '\n';
    std::cout << kKills << " kills, " << versions << " versions journalled, " << leftTemporary
              << " kills left a temporary file for the next start-up (seed " << seed << ")\n";
    // Every announcement the test counted reached the journal first.
    EXPECT_GE(versions, announced);
}

} // namespace
} // namespace sonterra
