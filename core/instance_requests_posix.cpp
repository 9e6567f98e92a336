#include "core/instance_requests_posix.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace sonterra {

namespace {

// A folder only this account may enter: XDG_RUNTIME_DIR, or the one
// systemd-logind makes. Empty when there is none such.
std::string PrivateRuntimeFolder() {
    const char* set = std::getenv("XDG_RUNTIME_DIR");
    const std::string candidates[] = {set && *set == '/' ? set : "",
                                      "/run/user/" + std::to_string(::getuid())};
    for (const std::string& folder : candidates) {
        struct stat st {};
        if (!folder.empty() && ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
            st.st_uid == ::getuid() && (st.st_mode & 077) == 0)
            return folder;
    }
    return {};
}

socklen_t Address(const std::string& path, const std::string& name, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty()) { // abstract: a leading zero byte
        std::memcpy(address.sun_path + 1, name.data(), name.size());
        return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
}

bool SameAccount(int fd) {
    ucred who{};
    socklen_t size = sizeof who;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &who, &size) == 0 && who.uid == ::getuid();
}

} // namespace

RequestSocket::RequestSocket(const char* request, const struct stat& folder) {
    char name[96];
    std::snprintf(name, sizeof name, "sonterra-%s-%lu-%llu-%llu", request,
                  static_cast<unsigned long>(::getuid()),
                  static_cast<unsigned long long>(folder.st_dev),
                  static_cast<unsigned long long>(folder.st_ino));
    name_ = name;
    const std::string runtime = PrivateRuntimeFolder();
    if (!runtime.empty() && runtime.size() + 1 + name_.size() < sizeof(sockaddr_un::sun_path))
        path_ = runtime + "/" + name_;
}

RequestSocket::~RequestSocket() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool RequestSocket::Listen() {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return false;
    // Only the holder of the folder's lock listens: a name left by a copy
    // that was killed is stale.
    if (!path_.empty())
        ::unlink(path_.c_str());
    sockaddr_un address;
    const socklen_t length = Address(path_, name_, address);
    return ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(fd_, 8) == 0;
}

bool RequestSocket::AcceptFromThisAccount() const {
    const int peer = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0)
        return false;
    // The connection itself is the request; nothing is read from it.
    const bool same = SameAccount(peer);
    ::close(peer);
    return same;
}

bool RequestSocket::Send() const {
    sockaddr_un address;
    const socklen_t length = Address(path_, name_, address);
    for (int attempt = 0; attempt < 40; ++attempt) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        const bool connected =
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
        const int error = errno;
        const bool answered = connected && SameAccount(fd);
        ::close(fd);
        if (connected)
            return answered;
        if (error != ECONNREFUSED && error != ENOENT && error != EAGAIN)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace sonterra
