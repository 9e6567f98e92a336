// The lock is an open-file-description write lock on the folder's lock file,
// which the kernel drops with the process. A write lock needs the file open
// for writing, and in a shared folder the file is readable only by the group,
// so an account outside it can neither hold it nor block it with a read lock
// (a lock on the folder itself, which anyone may open, let any account keep
// every operator's copy out). The holder writes its user number into the
// file, so a later copy of another account can say whose copy runs. Show
// requests travel over an abstract unix socket named after the folder's
// device and inode and the user: gone with the process.

#include "core/single_instance.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// An abstract address (leading zero byte): no file, no stale name after a crash.
socklen_t ShowAddress(const struct stat& folder, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const int n = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1,
                                "sonterra-show-%lu-%llu-%llu", static_cast<unsigned long>(getuid()),
                                static_cast<unsigned long long>(folder.st_dev),
                                static_cast<unsigned long long>(folder.st_ino));
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
}

constexpr char kLockName[] = ".sonterra.lock";

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

// The holder's user number, as it wrote it; false when the file says nothing usable.
bool ReadHolder(int fd, uid_t& uid) {
    char text[24] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0)
        return false;
    unsigned long long value = 0;
    ssize_t i = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    if (i == 0 || i > 10 || (i < n && text[i] != '\n') || value > 0xFFFFFFFEull)
        return false;
    uid = static_cast<uid_t>(value);
    return true;
}

} // namespace

struct SingleInstance::Impl {
    Fd folder;
    struct stat identity {};
    bool known = false; // identity holds the folder's device and inode
    bool first = true;
    bool otherAccount = false;
    std::string holder;
    Fd lock;
    Fd listener;
    Fd stopRead, stopWrite;
    std::thread watcher;

    ~Impl() {
        if (watcher.joinable()) {
            const char stop = 0;
            [[maybe_unused]] const ssize_t n = ::write(stopWrite.get(), &stop, 1);
            watcher.join();
        }
    }

    void Listen() {
        Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_un address;
        const socklen_t length = ShowAddress(identity, address);
        if (fd.get() < 0 || ::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(fd.get(), 8) != 0)
            return; // the window cannot be asked for; the guard still holds
        listener.reset(fd.release());
    }

    void Watch(std::function<void()> onShowRequest) {
        int pipeFds[2];
        if (listener.get() < 0 || ::pipe2(pipeFds, O_CLOEXEC) != 0)
            return;
        stopRead.reset(pipeFds[0]);
        stopWrite.reset(pipeFds[1]);
        watcher = std::thread([this, onShowRequest = std::move(onShowRequest)] {
            for (;;) {
                pollfd fds[2] = {{listener.get(), POLLIN, 0}, {stopRead.get(), POLLIN, 0}};
                if (::poll(fds, 2, -1) < 0) {
                    if (errno == EINTR)
                        continue;
                    return;
                }
                if (fds[1].revents)
                    return;
                if (fds[0].revents & POLLIN) {
                    // The connection itself is the request; nothing is read from it.
                    const int peer = ::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC);
                    if (peer >= 0) {
                        ::close(peer);
                        onShowRequest();
                    }
                }
            }
        });
    }
};

SingleInstance::SingleInstance(const std::string& programFolder) : impl_(std::make_unique<Impl>()) {
    Impl& d = *impl_;
    d.folder.reset(::open(programFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.folder.get() < 0)
        return;
    d.known = ::fstat(d.folder.get(), &d.identity) == 0;
    if (!d.known)
        return;
    const mode_t mode = LockMode(d.identity);
    // Never through a link, and never waiting on a FIFO someone put there.
    d.lock.reset(::openat(d.folder.get(), kLockName,
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode));
    struct stat st {};
    if (d.lock.get() < 0 || ::fstat(d.lock.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        // An account that cannot write here cannot ring this schedule's
        // changes either; it is not kept from starting by the guard.
        d.lock.reset();
        return;
    }
    if (st.st_uid == ::geteuid() && (st.st_mode & 07777) != mode)
        ::fchmod(d.lock.get(), mode); // whatever the umask was
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (::fcntl(d.lock.get(), F_OFD_SETLK, &whole) != 0) {
        // Held by a running copy; any other failure leaves this copy first.
        if (errno != EAGAIN && errno != EACCES)
            return;
        d.first = false;
        uid_t uid = 0;
        if (ReadHolder(d.lock.get(), uid)) {
            d.otherAccount = uid != ::getuid();
            if (d.otherAccount)
                d.holder = AccountName(uid);
        }
        return;
    }
    const std::string self = std::to_string(static_cast<unsigned long>(::getuid())) + "\n";
    if (::ftruncate(d.lock.get(), 0) == 0) {
        [[maybe_unused]] const ssize_t n = ::pwrite(d.lock.get(), self.data(), self.size(), 0);
    }
    d.Listen();
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::IsFirst() const {
    return impl_->first;
}

bool SingleInstance::HeldByAnotherAccount() const {
    return impl_->otherAccount;
}

std::string SingleInstance::HolderAccount() const {
    return impl_->holder;
}

bool SingleInstance::AskRunningCopyToShow() const {
    const Impl& d = *impl_;
    if (d.first || !d.known || d.otherAccount)
        return false;
    sockaddr_un address;
    const socklen_t length = ShowAddress(d.identity, address);
    // The running copy may be between taking the lock and listening.
    for (int attempt = 0; attempt < 40; ++attempt) {
        Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (fd.get() < 0)
            return false;
        if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), length) == 0)
            return true;
        if (errno != ECONNREFUSED && errno != ENOENT && errno != EAGAIN)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void SingleInstance::WatchShowRequests(std::function<void()> onShowRequest) {
    if (impl_->first && !impl_->watcher.joinable())
        impl_->Watch(std::move(onShowRequest));
}

} // namespace sonterra
