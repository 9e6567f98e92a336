// Schedule files that are not what they claim: a FIFO or a device in the
// place of a day file or SOM.INI, a file far larger than any schedule. None
// may hold the program up.

#include "schedule/schedule_files.h"
#include "tests/schedule/files_test_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace sonterra {
namespace {

using test::TestFolder;
using Clock = std::chrono::steady_clock;

// A reader stuck on a FIFO would wait forever: after `patience` this opens it
// for writing, so that a test of old code fails instead of hanging.
class FifoRescue {
public:
    FifoRescue(std::string fifo, std::chrono::milliseconds patience)
        : fifo_(std::move(fifo)), thread_([this, patience] {
              std::unique_lock lock(mutex_);
              if (done_.wait_for(lock, patience, [this] { return finished_; }))
                  return;
              const int fd = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
              if (fd >= 0)
                  ::close(fd);
          }) {}
    ~FifoRescue() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

private:
    std::string fifo_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

template <typename Read> void ExpectRefusedAtOnce(Read read, const std::string& path) {
    FifoRescue rescue(path, std::chrono::milliseconds(1500));
    const auto start = Clock::now();
    try {
        read();
        ADD_FAILURE() << "no FileError for " << path;
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), path);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500)) << path << " held the read";
}

TEST(HostileFiles, FifosAndDevicesAreFilesThatCannotBeRead) {
    struct ::stat null {};
    ASSERT_EQ(::stat("/dev/null", &null), 0);
    std::optional<TestFolder> kept(std::in_place);
    TestFolder& folder = *kept;
    ASSERT_EQ(::mkfifo((folder / "03.PR2").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((folder / "SOM.INI").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/null", folder / "04.PR2");

    ExpectRefusedAtOnce([&] { LoadDay(folder.path(), 3); }, folder / "03.PR2");
    ExpectRefusedAtOnce([&] { ReadState(folder.path()); }, folder / "SOM.INI");
    ExpectRefusedAtOnce([&] { LoadDay(folder.path(), 4); }, folder / "04.PR2");
    Lines written;
    ExpectRefusedAtOnce([&] { AddEntry(folder.path(), 3, "07:30", false, "/a.mp3", written); },
                        folder / "03.PR2");

    // The tick plays only what FileExists accepts: a sound in a FIFO is none.
    EXPECT_FALSE(FileExists(folder / "03.PR2"));
    EXPECT_FALSE(FileExists(folder / "04.PR2"));
    EXPECT_FALSE(FileExists("/dev/null"));
    EXPECT_FALSE(FileExists(folder.path()));
    test::WriteBytes(folder / "sino.mp3", "x");
    std::filesystem::create_symlink(folder / "sino.mp3", folder / "atalho.mp3");
    EXPECT_TRUE(FileExists(folder / "sino.mp3"));
    EXPECT_TRUE(FileExists(folder / "atalho.mp3"));

    // Cleaning the folder leaves what its links point at as it was.
    kept.reset();
    struct ::stat after {};
    ASSERT_EQ(::stat("/dev/null", &after), 0);
    EXPECT_EQ(after.st_mode, null.st_mode);
}

void ExpectTooLarge(const std::function<void()>& read, const std::string& path) {
    try {
        read();
        ADD_FAILURE() << "no FileTooLarge for " << path;
    } catch (const FileTooLarge& e) {
        EXPECT_EQ(e.path(), path);
        EXPECT_EQ(std::string(e.what()), "Arquivo - " + path + " - maior que 1 MB - Verifique !!");
    }
}

TEST(HostileFiles, DayAndStateFilesAboveOneMegabyteAreRefusedUnread) {
    TestFolder folder;
    // Up to the limit a file reads as ever: a full day is a third of it.
    std::string full;
    const std::string line = "07:30 + /sons/sino.mp3\r\n";
    while (full.size() + line.size() <= kMaxScheduleFileBytes)
        full += line;
    full.append(kMaxScheduleFileBytes - full.size(), 'x');
    test::WriteBytes(folder / "01.PR2", full);
    EXPECT_EQ(LoadDay(folder.path(), 1).size(), kMaxScheduleFileBytes / line.size() + 1);

    // Above it, refused by the size alone (the files are sparse: nothing to read).
    for (const std::string name : {"02.PR2", "SOM.INI"}) {
        test::WriteBytes(folder / name, "1\r\n");
        std::filesystem::resize_file(folder / name, kMaxScheduleFileBytes + 1);
    }
    ExpectTooLarge([&] { LoadDay(folder.path(), 2); }, folder / "02.PR2");
    ExpectTooLarge([&] { ReadState(folder.path()); }, folder / "SOM.INI");
    Lines written;
    ExpectTooLarge([&] { AddEntry(folder.path(), 2, "07:30", false, "/a.mp3", written); },
                   folder / "02.PR2");

    // A file whose size says less than it gives, as one that grows while read
    // does: the read stops at the limit.
    std::ifstream proc("/proc/kallsyms", std::ios::binary);
    std::string head(kMaxScheduleFileBytes + 1, '\0');
    if (proc.read(head.data(), static_cast<std::streamsize>(head.size()))) {
        std::filesystem::create_symlink("/proc/kallsyms", folder / "03.PR2");
        ExpectTooLarge([&] { LoadDay(folder.path(), 3); }, folder / "03.PR2");
    }
}

} // namespace
} // namespace sonterra
