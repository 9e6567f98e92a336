#include "core/application.h"
#include "core/application_platform.h"

#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sonterra {

const char kDataFolderPointer[] = "sonterra.pasta";

namespace {

// Anyone else able to change it could send every operator's program to a
// folder of their choosing.
bool OnlyRootMayChange(const struct stat& st) {
    return st.st_uid == 0 && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string ReadPointer(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string text;
    struct stat st {};
    char buffer[PATH_MAX + 1];
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && OnlyRootMayChange(st)) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            text.assign(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

} // namespace

std::string PointedDataFolder(const std::string& programFolder) {
    struct stat folder {};
    if (::stat(programFolder.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode) ||
        !OnlyRootMayChange(folder))
        return {};
    std::string path = ReadPointer(programFolder + kDataFolderPointer);
    path = path.substr(0, path.find('\n'));
    if (path.empty() || path.front() != '/' || path.size() > PATH_MAX)
        return {};
    if (path.back() != '/')
        path += '/';
    return path;
}

std::string ReadOwnExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer)
        return {};
    return std::string(buffer, static_cast<std::size_t>(n));
}

const char* PathSeparators() {
    return "/";
}

// No COM here; the desktop entry needs nothing set up.
MainThreadCom::MainThreadCom() = default;
MainThreadCom::~MainThreadCom() = default;

} // namespace sonterra
