// The lock is an open-file-description write lock on the folder's lock file,
// which the kernel drops with the process. A write lock needs the file open
// for writing, so only an account that may write the schedule can hold it.
// In a folder others may write (the shared install), any operator could
// delete or replace that file, so the copy also takes an flock on the folder
// itself, which only who may write its parent can remove: the shared folder
// is closed to accounts outside the group, which therefore cannot hold it
// either. (In a folder of one account's own the folder lock is left out: any
// account that may read that folder could take it.) The holder writes its
// user number into the file, and each minute it rings below it.

#include "core/instance_requests_posix.h"
#include "core/single_instance.h"

#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sonterra {

namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

constexpr char kLockName[] = ".sonterra.lock";

bool SharedFolder(const struct stat& folder) {
    return (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

// Open to the group only where the group may write the schedule too.
mode_t LockMode(const struct stat& folder) {
    return (folder.st_mode & S_IWGRP) ? 0660 : 0600;
}

std::string AccountName(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name && *found->pw_name)
        return found->pw_name;
    return std::to_string(static_cast<unsigned long>(uid));
}

std::string GroupName(gid_t gid) {
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->gr_name && *found->gr_name)
        return found->gr_name;
    return std::to_string(static_cast<unsigned long>(gid));
}

// The file's two lines: the holder's user number and the last minute rung.
struct LockText {
    bool holderKnown = false;
    uid_t holder = 0;
    std::string minute;
};

LockText ReadLockText(int fd) {
    LockText result;
    char buffer[64] = {};
    const ssize_t n = fd < 0 ? -1 : ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (n <= 0)
        return result;
    const std::string text(buffer, static_cast<std::size_t>(n));
    const std::size_t end = text.find('\n');
    const std::string first = text.substr(0, end);
    if (!first.empty() && first.size() <= 10 &&
        first.find_first_not_of("0123456789") == std::string::npos &&
        std::stoull(first) <= 0xFFFFFFFEull) {
        result.holderKnown = true;
        result.holder = static_cast<uid_t>(std::stoull(first));
    }
    if (end != std::string::npos) {
        const std::string second = text.substr(end + 1, text.find('\n', end + 1) - end - 1);
        if (IsMinuteStamp(second))
            result.minute = second;
    }
    return result;
}

void WriteLockText(int fd, const std::string& minute) {
    const std::string text =
        std::to_string(static_cast<unsigned long>(::getuid())) + "\n" + minute + "\n";
    if (::pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
        return;
    [[maybe_unused]] const int cut = ::ftruncate(fd, static_cast<off_t>(text.size()));
}

} // namespace

struct SingleInstance::Impl {
    Fd folder;
    struct stat identity {};
    bool known = false; // identity holds the folder's device and inode
    bool first = true;
    bool refused = false;
    bool otherAccount = false;
    std::string holder;
    Fd lock;
    std::string minute; // the last minute rung
    std::unique_ptr<RequestSocket> show, quit;
    Fd stopRead, stopWrite;
    std::thread watcher;

    ~Impl() {
        if (watcher.joinable()) {
            const char stop = 0;
            [[maybe_unused]] const ssize_t n = ::write(stopWrite.get(), &stop, 1);
            watcher.join();
        }
    }

    // An account that may not write the folder may not ring its schedule.
    bool MayNotWrite() const {
        return ::faccessat(folder.get(), ".", W_OK, AT_EACCESS) != 0 &&
               (errno == EACCES || errno == EPERM);
    }

    void OpenLockFile() {
        // Never through a link, and never waiting on a FIFO someone put there.
        lock.reset(::openat(folder.get(), kLockName,
                            O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                            LockMode(identity)));
        struct stat st {};
        if (lock.get() >= 0 && (::fstat(lock.get(), &st) != 0 || !S_ISREG(st.st_mode)))
            lock.reset();
        else if (lock.get() >= 0 && st.st_uid == ::geteuid() &&
                 (st.st_mode & 07777) != LockMode(identity))
            ::fchmod(lock.get(), LockMode(identity)); // whatever the umask was
    }

    // False when a running copy holds it; a lock the system cannot take
    // counts as taken by this copy.
    bool TakeLocks() {
        if (SharedFolder(identity) && ::flock(folder.get(), LOCK_EX | LOCK_NB) != 0 &&
            errno == EWOULDBLOCK)
            return false;
        struct flock whole {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        return lock.get() < 0 || ::fcntl(lock.get(), F_OFD_SETLK, &whole) == 0 ||
               (errno != EAGAIN && errno != EACCES);
    }

    void NameTheHolder() {
        const LockText text = ReadLockText(lock.get());
        otherAccount = text.holderKnown && text.holder != ::getuid();
        if (otherAccount)
            holder = AccountName(text.holder);
    }

    void Watch(std::function<void()> onShow, std::function<void()> onQuit) {
        int pipeFds[2];
        if (!show || show->fd() < 0 || ::pipe2(pipeFds, O_CLOEXEC) != 0)
            return; // the window cannot be asked for; the guard still holds
        stopRead.reset(pipeFds[0]);
        stopWrite.reset(pipeFds[1]);
        watcher = std::thread([this, onShow = std::move(onShow), onQuit = std::move(onQuit)] {
            for (;;) {
                pollfd fds[3] = {{stopRead.get(), POLLIN, 0},
                                 {show->fd(), POLLIN, 0},
                                 {quit ? quit->fd() : -1, POLLIN, 0}};
                if (::poll(fds, 3, -1) < 0) {
                    if (errno == EINTR)
                        continue;
                    return;
                }
                if (fds[0].revents)
                    return;
                if ((fds[1].revents & POLLIN) && show->AcceptFromThisAccount())
                    onShow();
                if ((fds[2].revents & POLLIN) && quit->AcceptFromThisAccount())
                    onQuit();
            }
        });
    }
};

SingleInstance::SingleInstance(const std::string& programFolder) : impl_(std::make_unique<Impl>()) {
    Impl& d = *impl_;
    d.folder.reset(::open(programFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.folder.get() < 0) {
        // A folder this account may not enter is a schedule it may not ring.
        d.refused = errno == EACCES || errno == EPERM;
        d.first = !d.refused;
        if (d.refused)
            d.known = ::stat(programFolder.c_str(), &d.identity) == 0;
        return;
    }
    d.known = ::fstat(d.folder.get(), &d.identity) == 0;
    if (!d.known)
        return;
    if (d.MayNotWrite()) {
        d.refused = true;
        d.first = false;
        return;
    }
    d.OpenLockFile();
    if (!d.TakeLocks()) {
        d.first = false;
        d.NameTheHolder();
        return;
    }
    if (d.lock.get() >= 0) {
        // The last minute a copy before this one rang is kept.
        d.minute = ReadLockText(d.lock.get()).minute;
        WriteLockText(d.lock.get(), d.minute);
    }
    d.show = std::make_unique<RequestSocket>("show", d.identity);
    d.quit = std::make_unique<RequestSocket>("quit", d.identity);
    if (!d.show->Listen())
        d.show.reset();
    if (!d.quit->Listen())
        d.quit.reset();
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::IsFirst() const {
    return impl_->first;
}

bool SingleInstance::Refused() const {
    return impl_->refused;
}

std::string SingleInstance::OperatorsGroup() const {
    const Impl& d = *impl_;
    return d.known && (d.identity.st_mode & S_IWGRP) ? GroupName(d.identity.st_gid) : "";
}

bool SingleInstance::HeldByAnotherAccount() const {
    return impl_->otherAccount;
}

std::string SingleInstance::HolderAccount() const {
    return impl_->holder;
}

bool SingleInstance::AskRunningCopyToShow() const {
    const Impl& d = *impl_;
    return !d.first && !d.refused && d.known && !d.otherAccount &&
           RequestSocket("show", d.identity).Send();
}

bool SingleInstance::AskRunningCopyToQuit() const {
    const Impl& d = *impl_;
    return !d.first && !d.refused && d.known && !d.otherAccount &&
           RequestSocket("quit", d.identity).Send();
}

void SingleInstance::WatchRequests(std::function<void()> onShowRequest,
                                   std::function<void()> onQuitRequest) {
    if (impl_->first && !impl_->watcher.joinable())
        impl_->Watch(std::move(onShowRequest), std::move(onQuitRequest));
}

std::string SingleInstance::LastMinuteRung() const {
    return impl_->minute;
}

void SingleInstance::RecordMinuteRung(const std::string& minute) {
    Impl& d = *impl_;
    if (!d.first || !IsMinuteStamp(minute))
        return;
    d.minute = minute;
    // An operator deleted the file: the next copy must still find the minute.
    struct stat st {};
    if (d.lock.get() < 0 || (::fstat(d.lock.get(), &st) == 0 && st.st_nlink == 0)) {
        d.OpenLockFile();
        d.TakeLocks();
    }
    if (d.lock.get() >= 0)
        WriteLockText(d.lock.get(), minute);
}

} // namespace sonterra
