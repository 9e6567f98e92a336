// One running copy per program folder: the lock, the show request, a crash.

#include "core/single_instance.h"
#include "tests/support/other_account_posix.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sonterra {
namespace {

namespace fs = std::filesystem;

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root_ / "escola" / "Sonterra");
        fs::create_directories(root_ / "outra");
    }
    std::string Folder() const { return (root_ / "escola" / "Sonterra").string() + "/"; }

    const test::TemporaryFolder temp_{"sonterra-single"};
    const fs::path root_ = fs::path(temp_.path()).parent_path();
};

// Counts the requests the watch hands on, from the guard's thread.
struct Requests {
    std::mutex m;
    std::condition_variable changed;
    int count = 0;

    std::function<void()> Handler() {
        return [this] {
            const std::lock_guard lock(m);
            ++count;
            changed.notify_all();
        };
    }
    // Waits for the count to reach n; the cap only ends a broken run.
    int WaitFor(int n) {
        std::unique_lock lock(m);
        changed.wait_for(lock, std::chrono::seconds(10), [&] { return count >= n; });
        return count;
    }
};

TEST_F(SingleInstanceTest, ALaterCopyOfTheFolderAsksTheRunningOneToShowAndAnotherFolderRuns) {
    SingleInstance running(Folder());
    ASSERT_TRUE(running.IsFirst());
    Requests requests;

    // Asked before the running copy watches: the request waits for it.
    {
        const SingleInstance later(Folder());
        EXPECT_FALSE(later.IsFirst());
        EXPECT_TRUE(later.AskRunningCopyToShow());
    }
    running.WatchRequests(requests.Handler(), [] {});
    EXPECT_EQ(requests.WaitFor(1), 1);

    // The same folder by another spelling is the same folder.
    fs::create_directory_symlink(root_ / "escola", root_ / "atalho");
    {
        const SingleInstance later((root_ / "atalho" / "Sonterra" / ".." / "Sonterra").string());
        EXPECT_FALSE(later.IsFirst());
        EXPECT_TRUE(later.AskRunningCopyToShow());
    }
    EXPECT_EQ(requests.WaitFor(2), 2);

    // Another schedule is another folder.
    const SingleInstance other((root_ / "outra").string() + "/");
    EXPECT_TRUE(other.IsFirst());
    EXPECT_FALSE(other.AskRunningCopyToShow());
}

TEST_F(SingleInstanceTest, AQuitRequestReachesOnlyTheQuitHandlerOfTheRunningCopy) {
    SingleInstance running(Folder());
    ASSERT_TRUE(running.IsFirst());
    EXPECT_FALSE(running.AskRunningCopyToQuit()); // nobody runs before it
    Requests shows, quits;
    running.WatchRequests(shows.Handler(), quits.Handler());
    const SingleInstance later(Folder());
    EXPECT_TRUE(later.AskRunningCopyToQuit());
    EXPECT_EQ(quits.WaitFor(1), 1);
    EXPECT_TRUE(later.AskRunningCopyToShow());
    EXPECT_EQ(shows.WaitFor(1), 1);
    EXPECT_EQ(quits.count, 1);
}

TEST_F(SingleInstanceTest, AnotherAccountCannotMakeTheRunningCopyQuit) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to act as another account";
    ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
    SingleInstance running(Folder());
    ASSERT_TRUE(running.IsFirst());
    Requests shows, quits;
    running.WatchRequests(shows.Handler(), quits.Handler());
    struct stat folder {};
    ASSERT_EQ(::stat(Folder().c_str(), &folder), 0);
    // The socket's name is no secret: the other account dials it directly.
    const test::Account outsider(64013, 64001, false, [&] {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const int n = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1,
                                    "sonterra-quit-0-%llu-%llu",
                                    static_cast<unsigned long long>(folder.st_dev),
                                    static_cast<unsigned long long>(folder.st_ino));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
        return ::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 ? 'C' : 'R';
    });
    EXPECT_EQ(outsider.answer(), 'C');
    // Requests are taken in order: once this account's counts, the other's was refused.
    EXPECT_TRUE(SingleInstance(Folder()).AskRunningCopyToQuit());
    EXPECT_EQ(quits.WaitFor(1), 1);
}

TEST_F(SingleInstanceTest, TheFolderIsFreeOnceTheRunningCopyEndsEvenByAKill) {
    {
        const SingleInstance running(Folder());
        ASSERT_TRUE(running.IsFirst());
    }
    EXPECT_TRUE(SingleInstance(Folder()).IsFirst());

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const SingleInstance running(Folder());
        const char first = running.IsFirst() ? '1' : '0';
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &first, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char first = 0;
    ASSERT_EQ(::read(ready[0], &first, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(first, '1');
    EXPECT_FALSE(SingleInstance(Folder()).IsFirst());

    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(SingleInstance(Folder()).IsFirst());
}

TEST_F(SingleInstanceTest, AFolderThatCannotBeOpenedDoesNotKeepTheProgramFromRunning) {
    const std::string missing = (root_ / "sumiu").string() + "/";
    const SingleInstance one(missing);
    const SingleInstance two(missing);
    EXPECT_TRUE(one.IsFirst());
    EXPECT_TRUE(two.IsFirst());
}

TEST_F(SingleInstanceTest, AnAccountOutsideTheGroupKeepsNoOperatorOutAndAnotherOperatorIsNamed) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to act as several accounts";
    // The operators' shared folder: root:group, 2775, as the system install makes it.
    const gid_t group = 64001;
    const std::string folder = Folder();
    ASSERT_EQ(::chown(folder.c_str(), 0, group), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 02775), 0);
    ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
    ASSERT_EQ(::chmod((root_ / "escola").c_str(), 0755), 0);

    // The outsider holds, or tries, every lock it can reach.
    const test::Account outsider(64010, group, false, [&] {
        int held = 0;
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        held += dir >= 0 && ::flock(dir, LOCK_EX | LOCK_NB) == 0;
        for (const char* name : {".sonterra.lock", "SOM.INI"}) {
            const int fd = ::open((folder + name).c_str(), O_RDONLY);
            struct flock whole {};
            whole.l_type = F_RDLCK;
            held += fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
            held += fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &whole) == 0;
        }
        return static_cast<char>('0' + held);
    });
    EXPECT_EQ(outsider.answer(), '1'); // the folder: no use to anyone now

    const test::Account first(64011, group, true, [&] {
        const auto* guard = new SingleInstance(folder); // held until the child is killed
        return guard->IsFirst() ? 'F' : 'L';
    });
    EXPECT_EQ(first.answer(), 'F');
    struct stat st {};
    ASSERT_EQ(::stat((folder + ".sonterra.lock").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0660u);

    const test::Account second(64012, group, true, [&] {
        const SingleInstance later(folder);
        if (later.IsFirst())
            return 'F';
        return later.HeldByAnotherAccount() && later.HolderAccount() == "64011" ? 'N' : 'L';
    });
    EXPECT_EQ(second.answer(), 'N');
}

} // namespace
} // namespace sonterra
