#include "audio/bass/local_file.h"

#include "audio/bass/bass.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sonterra::bass {

namespace {

std::int64_t modifiedNs(const struct stat& st) {
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

} // namespace

std::unique_ptr<LocalFile> LocalFile::open(const std::string& path, int& error) {
    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = errno == EISDIR ? BASS_ERROR_FILEFORM : BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    std::unique_ptr<LocalFile> file(new LocalFile(fd));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    if (!S_ISREG(st.st_mode) || st.st_size == 0) {
        error = BASS_ERROR_FILEFORM;
        return nullptr;
    }
    file->volume_ = static_cast<std::uint64_t>(st.st_dev);
    file->number_ = static_cast<std::uint64_t>(st.st_ino);
    file->size_ = static_cast<std::int64_t>(st.st_size);
    file->modified_ = modifiedNs(st);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    error = BASS_OK;
    return file;
}

LocalFile::~LocalFile() {
    ::close(static_cast<int>(handle_));
}

int LocalFile::read(std::uint8_t* buffer, int size) {
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle_), buffer, static_cast<std::size_t>(size));
        if (n >= 0)
            return static_cast<int>(n);
        if (errno != EINTR)
            return -errno;
    }
}

std::int64_t LocalFile::seek(std::int64_t offset, int whence) {
    const off_t at = ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), whence);
    return at < 0 ? -errno : static_cast<std::int64_t>(at);
}

std::int64_t LocalFile::size() const {
    struct stat st {};
    return ::fstat(static_cast<int>(handle_), &st) != 0 ? -errno
                                                        : static_cast<std::int64_t>(st.st_size);
}

bool LocalFile::unchangedAt(const std::string& path) const {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return static_cast<std::uint64_t>(st.st_dev) == volume_ &&
           static_cast<std::uint64_t>(st.st_ino) == number_ &&
           static_cast<std::int64_t>(st.st_size) == size_ && modifiedNs(st) == modified_;
}

} // namespace sonterra::bass
