// The lock is an open-file-description write lock on the folder's lock file,
// which the kernel drops with the process. A write lock needs the file open
// for writing, and in a shared folder the file is readable only by the group,
// so an account outside it can neither hold it nor block it with a read lock
// (a lock on the folder itself, which anyone may open, let any account keep
// every operator's copy out). The holder writes its user number into the
// file, so a later copy of another account can say whose copy runs. Show and
// quit requests travel over abstract unix sockets named after the folder's
// device and inode and the user: gone with the process. Anyone may connect to
// an abstract socket, so a quit request counts only from the same user.

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
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
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
socklen_t RequestAddress(const char* request, const struct stat& folder, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const int n = std::snprintf(
        address.sun_path + 1, sizeof address.sun_path - 1, "sonterra-%s-%lu-%llu-%llu", request,
        static_cast<unsigned long>(getuid()), static_cast<unsigned long long>(folder.st_dev),
        static_cast<unsigned long long>(folder.st_ino));
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
}

constexpr const char* kShow = "show";
constexpr const char* kQuit = "quit";

bool FromThisUser(int peer) {
    ucred who{};
    socklen_t size = sizeof who;
    return ::getsockopt(peer, SOL_SOCKET, SO_PEERCRED, &who, &size) == 0 && who.uid == ::getuid();
}

Fd Listen(const char* request, const struct stat& folder) {
    Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address;
    const socklen_t length = RequestAddress(request, folder, address);
    if (fd.get() < 0 || ::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd.get(), 8) != 0)
        return Fd();
    return fd;
}

// The running copy may be between taking the lock and listening.
bool Connect(const char* request, const struct stat& folder) {
    sockaddr_un address;
    const socklen_t length = RequestAddress(request, folder, address);
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
    Fd showListener, quitListener;
    Fd stopRead, stopWrite;
    std::thread watcher;

    ~Impl() {
        if (watcher.joinable()) {
            const char stop = 0;
            [[maybe_unused]] const ssize_t n = ::write(stopWrite.get(), &stop, 1);
            watcher.join();
        }
    }

    void Watch(std::function<void()> onShow, std::function<void()> onQuit) {
        int pipeFds[2];
        if (showListener.get() < 0 || ::pipe2(pipeFds, O_CLOEXEC) != 0)
            return; // the window cannot be asked for; the guard still holds
        stopRead.reset(pipeFds[0]);
        stopWrite.reset(pipeFds[1]);
        watcher = std::thread([this, onShow = std::move(onShow), onQuit = std::move(onQuit)] {
            for (;;) {
                pollfd fds[3] = {{stopRead.get(), POLLIN, 0},
                                 {showListener.get(), POLLIN, 0},
                                 {quitListener.get(), POLLIN, 0}};
                if (::poll(fds, 3, -1) < 0) {
                    if (errno == EINTR)
                        continue;
                    return;
                }
                if (fds[0].revents)
                    return;
                // The connection itself is the request; nothing is read from it.
                for (int i = 1; i < 3; ++i) {
                    if (!(fds[i].revents & POLLIN))
                        continue;
                    const Fd peer(::accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC));
                    if (peer.get() >= 0 && i == 1)
                        onShow();
                    else if (peer.get() >= 0 && FromThisUser(peer.get()))
                        onQuit();
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
    d.showListener.reset(Listen(kShow, d.identity).release());
    d.quitListener.reset(Listen(kQuit, d.identity).release());
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
    return !d.first && d.known && !d.otherAccount && Connect(kShow, d.identity);
}

bool SingleInstance::AskRunningCopyToQuit() const {
    const Impl& d = *impl_;
    return !d.first && d.known && !d.otherAccount && Connect(kQuit, d.identity);
}

void SingleInstance::WatchRequests(std::function<void()> onShowRequest,
                                   std::function<void()> onQuitRequest) {
    if (impl_->first && !impl_->watcher.joinable())
        impl_->Watch(std::move(onShowRequest), std::move(onQuitRequest));
}

} // namespace sonterra
