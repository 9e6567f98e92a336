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
#include <optional>
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

// Binds the abstract name a copy of uid 0 would use for this folder; the
// socket stays open with the process. 'B' when bound.
char SquatAbstractName(const char* request, const struct stat& folder) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const int n =
        std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1, "sonterra-%s-0-%llu-%llu",
                      request, static_cast<unsigned long long>(folder.st_dev),
                      static_cast<unsigned long long>(folder.st_ino));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
    return ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(fd, 8) == 0
               ? 'B'
               : 'N';
}

TEST_F(SingleInstanceTest, AnotherAccountCanNeitherTakeNorSendTheRequests) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to act as another account";
    ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
    struct stat folder {};
    ASSERT_EQ(::stat(Folder().c_str(), &folder), 0);
    // The names are no secret: another account takes them before the copy starts.
    const test::Account squatter(64013, 64001, false, [&] {
        return SquatAbstractName("show", folder) == 'B' && SquatAbstractName("quit", folder) == 'B'
                   ? 'B'
                   : 'N';
    });
    ASSERT_EQ(squatter.answer(), 'B');

    const std::string runtime = (root_ / "run").string();
    ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
    {
        // With a runtime folder of its own, the account's copies meet there.
        const test::ScopedEnv env("XDG_RUNTIME_DIR", runtime);
        SingleInstance running(Folder());
        ASSERT_TRUE(running.IsFirst());
        Requests shows, quits;
        running.WatchRequests(shows.Handler(), quits.Handler());
        const SingleInstance later(Folder());
        EXPECT_TRUE(later.AskRunningCopyToShow());
        EXPECT_TRUE(later.AskRunningCopyToQuit());
        EXPECT_EQ(shows.WaitFor(1), 1);
        EXPECT_EQ(quits.WaitFor(1), 1);
    }
    struct stat run {};
    if (::stat("/run/user/0", &run) == 0)
        return; // the fallback below is never used on this machine
    // Without one, the taken names answer nobody: no request counts as made.
    const test::ScopedEnv env("XDG_RUNTIME_DIR", std::nullopt);
    const SingleInstance running(Folder());
    ASSERT_TRUE(running.IsFirst());
    const SingleInstance later(Folder());
    EXPECT_FALSE(later.AskRunningCopyToShow());
    EXPECT_FALSE(later.AskRunningCopyToQuit());
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

TEST_F(SingleInstanceTest, TheLastMinuteRungPassesToTheNextCopyEvenWhenItsFileIsDeleted) {
    const std::string lock = Folder() + ".sonterra.lock";
    {
        SingleInstance running(Folder());
        EXPECT_EQ(running.LastMinuteRung(), "");
        running.RecordMinuteRung("2026-12-09 07:30");
        running.RecordMinuteRung("07:31"); // not a minute stamp
        EXPECT_EQ(running.LastMinuteRung(), "2026-12-09 07:30");
    }
    SingleInstance next(Folder());
    EXPECT_EQ(next.LastMinuteRung(), "2026-12-09 07:30");
    const std::string self = std::to_string(::getuid());
    EXPECT_EQ(test::ReadBytes(lock), self + "\n2026-12-09 07:30\n");

    ASSERT_EQ(::unlink(lock.c_str()), 0);
    next.RecordMinuteRung("2026-12-09 07:31");
    EXPECT_EQ(test::ReadBytes(lock), self + "\n2026-12-09 07:31\n");
    EXPECT_FALSE(SingleInstance(Folder()).IsFirst()); // and holds it again
}

TEST_F(SingleInstanceTest, AFolderThatCannotBeOpenedDoesNotKeepTheProgramFromRunning) {
    const std::string missing = (root_ / "sumiu").string() + "/";
    const SingleInstance one(missing);
    const SingleInstance two(missing);
    EXPECT_TRUE(one.IsFirst());
    EXPECT_TRUE(two.IsFirst());
}

TEST_F(SingleInstanceTest, OnlyOperatorsRingASharedScheduleAndNoneCanDeleteTheGuard) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to act as several accounts";
    // The operators' shared folder: root:group, 2770, as the package makes it.
    const gid_t group = 64001;
    const std::string folder = Folder();
    ASSERT_EQ(::chown(folder.c_str(), 0, group), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 02770), 0);
    ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
    ASSERT_EQ(::chmod((root_ / "escola").c_str(), 0755), 0);

    // The outsider can hold no lock, and its copy is refused, naming the group.
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
        const SingleInstance guard(folder);
        const bool refused = guard.Refused() && !guard.IsFirst() &&
                             guard.OperatorsGroup() == "64001" && !guard.AskRunningCopyToShow();
        return static_cast<char>((refused ? 'R' : 'A') + held);
    });
    EXPECT_EQ(outsider.answer(), 'R');

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
        if (later.IsFirst() || later.Refused())
            return 'F';
        return later.HeldByAnotherAccount() && later.HolderAccount() == "64011" ? 'N' : 'L';
    });
    EXPECT_EQ(second.answer(), 'N');

    // An operator deletes the lock file: the folder still says who rings.
    const test::Account third(64014, group, true, [&] {
        if (::unlink((folder + ".sonterra.lock").c_str()) != 0)
            return 'U';
        return SingleInstance(folder).IsFirst() ? 'F' : 'K';
    });
    EXPECT_EQ(third.answer(), 'K');
}

} // namespace
} // namespace sonterra
