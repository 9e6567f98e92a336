#include "schedule/file_system.h"
#include "schedule/schedule_files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sonterra {

namespace {

class ReadDescriptor {
public:
    explicit ReadDescriptor(int fd) : fd_(fd) {}
    ~ReadDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ReadDescriptor(const ReadDescriptor&) = delete;
    ReadDescriptor& operator=(const ReadDescriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

[[noreturn]] void Fail(const std::string& path, int error) {
    throw FileError(path, SystemErrorText(error));
}

// The folder a shared install gives the operators' group, or one anybody may
// write: a link there may be someone else's. Its owner then.
bool SharedFolder(const std::string& path, uid_t& owner) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return false;
    owner = st.st_uid;
    return ((st.st_mode & S_ISGID) && (st.st_mode & S_IWGRP)) || (st.st_mode & S_IWOTH);
}

// A link is followed only to a file of the link's own owner where another
// account may have made it: an operator's link must not show the reader's
// private file to everyone, nor have the program copy it into the schedule.
// Root, or the folder's owner, decides for all: their links are followed to
// whatever an operator has since saved there.
int OpenForReading(const std::string& path) {
    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer forever.
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    const int fd = ::open(path.c_str(), kFlags | O_NOFOLLOW);
    if (fd >= 0 || errno != ELOOP)
        return fd;
    uid_t folderOwner = 0;
    if (!SharedFolder(path, folderOwner))
        return ::open(path.c_str(), kFlags);
    struct stat link {
    }, target{}, again{};
    if (::lstat(path.c_str(), &link) != 0)
        return -1;
    ReadDescriptor followed(::open(path.c_str(), kFlags));
    if (followed.get() < 0 || ::fstat(followed.get(), &target) != 0)
        return -1;
    const bool trusted =
        link.st_uid == target.st_uid || link.st_uid == 0 || link.st_uid == folderOwner;
    // The same link before and after the open.
    if (::lstat(path.c_str(), &again) != 0 || again.st_ino != link.st_ino ||
        again.st_dev != link.st_dev || !trusted) {
        errno = EACCES;
        return -1;
    }
    return followed.release();
}

} // namespace

std::string ReadPlainFile(const std::string& path, std::size_t limit, bool& missing) {
    missing = false;
    ReadDescriptor fd(OpenForReading(path));
    if (fd.get() < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            missing = true;
            return {};
        }
        Fail(path, error);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        Fail(path, errno);
    if (S_ISDIR(st.st_mode))
        Fail(path, EISDIR);
    if (!S_ISREG(st.st_mode))
        Fail(path, ENOTSUP);
    if (static_cast<unsigned long long>(st.st_size) > limit)
        throw FileTooLarge(path);
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        Fail(path, errno);

    std::string bytes;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Fail(path, errno);
        if (n == 0)
            return bytes;
        // A file that grows while read is measured as it comes.
        if (bytes.size() + static_cast<std::size_t>(n) > limit)
            throw FileTooLarge(path);
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace sonterra
