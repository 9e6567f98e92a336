// The folder itself is the lock: flock on a descriptor of the program folder,
// which the kernel drops with the process, and which no other program takes.
// Show requests travel over an abstract unix socket named after the folder's
// device and inode and the user: no file anywhere, gone with the process.

#include "core/single_instance.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
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

} // namespace

struct SingleInstance::Impl {
    Fd folder;
    struct stat identity {};
    bool known = false; // identity holds the folder's device and inode
    bool first = true;
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
    if (::flock(d.folder.get(), LOCK_EX | LOCK_NB) != 0) {
        // Held by a running copy; any other failure leaves this copy first.
        d.first = errno != EWOULDBLOCK;
        return;
    }
    if (d.known)
        d.Listen();
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::IsFirst() const {
    return impl_->first;
}

bool SingleInstance::AskRunningCopyToShow() const {
    const Impl& d = *impl_;
    if (d.first || !d.known)
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
