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

private:
    int fd_;
};

[[noreturn]] void Fail(const std::string& path, int error) {
    throw FileError(path, SystemErrorText(error));
}

} // namespace

std::string ReadPlainFile(const std::string& path, std::size_t limit, bool& missing) {
    missing = false;
    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer forever.
    ReadDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
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
