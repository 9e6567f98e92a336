#include "schedule/file_system.h"
#include "schedule/file_system_platform.h"
#include "schedule/schedule_files.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <random>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>

namespace sonterra {

const char kTemporaryPrefix[] = ".";

std::string SystemErrorText(int error) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may not be in buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

void RemoveFileQuietly(const std::string& path) {
    ::unlink(path.c_str());
}

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A file descriptor that closes itself.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

[[noreturn]] void Fail(const std::string& path, int error) {
    throw FileError(path, SystemErrorText(error));
}

std::string TemporaryPath(const std::string& path, unsigned number) {
    const std::string folder = FolderOf(path);
    const std::string base = path.substr(path.rfind('/') + 1);
    return (folder == "/" ? "" : folder) + "/" + TemporaryName(base, number);
}

// Not guessable, so names planted ahead in a shared folder cannot use up the
// attempts; below 10^9, the digits WriterOf reads.
unsigned NextNumber() {
    static std::mutex lock;
    static std::mt19937 numbers{std::random_device{}()};
    const std::lock_guard held(lock);
    return static_cast<unsigned>(numbers() % 1000000000u);
}

int CreateUniqueTemporary(const std::string& path, std::string& tempPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = TemporaryPath(path, NextNumber());
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Gives the unnamed file a temporary name; only rename() can replace the old
// file in one step. The /proc link needs no privilege, unlike AT_EMPTY_PATH.
bool LinkUnnamed(int fd, const std::string& path, std::string& tempPath) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = TemporaryPath(path, NextNumber());
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempPath.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

// The folder a shared install gives the operators' group: group-writable,
// passing its group on to new files.
bool SharedFolder(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && (st.st_mode & S_ISGID) && (st.st_mode & S_IWGRP);
}

// The access list a file carries beside its mode bits.
constexpr char kAclName[] = "system.posix_acl_access";

// The new file is never more readable than what it replaces: a plain file
// lends it its read and write bits and its access list (never execute or
// set-id bits); a link is replaced, not followed, and a file it points to
// only takes bits away. A new file in the shared folder is the operators' to
// read and rewrite, whatever the writer's umask; so is one that another
// operator owned, who would otherwise lose it to the writer.
void KeepPermissions(int fd, const std::string& path) {
    struct stat fresh {};
    if (::fstat(fd, &fresh) != 0)
        return;
    mode_t mode = fresh.st_mode & 0666;
    constexpr mode_t kOperators = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP;
    const bool shared = SharedFolder(FolderOf(path));
    struct stat old {
    }, target{};
    const bool exists = ::lstat(path.c_str(), &old) == 0;
    if (exists && S_ISREG(old.st_mode)) {
        mode = old.st_mode & 0666;
        if (shared && old.st_uid != ::geteuid())
            mode |= kOperators;
    } else if (exists && ::stat(path.c_str(), &target) == 0) {
        mode &= S_ISREG(target.st_mode) ? target.st_mode : 0;
    } else if (shared) {
        mode |= kOperators; // a new file, or a link to nothing
    }
    ::fchmod(fd, mode);
    if (!exists || !S_ISREG(old.st_mode))
        return;
    char acl[4096];
    const ssize_t n = ::lgetxattr(path.c_str(), kAclName, acl, sizeof acl);
    const bool none = n < 0 && (errno == ENODATA || errno == ENOTSUP);
    // The group bits of a file with an access list are its mask: without the
    // list they would open the file to the whole owning group.
    if (!none && (n <= 0 || ::fsetxattr(fd, kAclName, acl, static_cast<std::size_t>(n), 0) != 0))
        ::fchmod(fd, mode & S_IRWXU);
}

void WriteAll(int fd, const std::string& path, const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            Fail(path, n < 0 ? errno : ENOSPC);
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0)
        Fail(path, errno);
}

void RenameIntoPlace(TemporaryFile& temp, const std::string& path) {
    if (::rename(temp.path().c_str(), path.c_str()) != 0)
        Fail(path, errno);
    temp.keep();

    // The rename itself reaches the disk with the folder.
    Descriptor folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
}

// A process killed while writing leaves no name behind: the file has none
// until its bytes are on disk. False when the file system or the kernel
// cannot do this (or /proc is missing); nothing was changed then.
bool WriteThroughUnnamedFile(const std::string& path, const std::string& bytes) {
    Descriptor fd(::open(FolderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        return false;
    KeepPermissions(fd.get(), path);
    WriteAll(fd.get(), path, bytes);
    std::string tempPath;
    if (!LinkUnnamed(fd.get(), path, tempPath)) {
        if (errno == ENOENT || errno == EPERM || errno == EOPNOTSUPP)
            return false;
        Fail(path, errno);
    }
    TemporaryFile temp(tempPath);
    if (::close(fd.release()) != 0)
        Fail(path, errno);
    RenameIntoPlace(temp, path);
    return true;
}

void WriteThroughNamedFile(const std::string& path, const std::string& bytes) {
    std::string tempPath;
    Descriptor fd(CreateUniqueTemporary(path, tempPath));
    if (fd.get() < 0)
        Fail(path, errno);
    TemporaryFile temp(tempPath);
    KeepPermissions(fd.get(), path);
    WriteAll(fd.get(), path, bytes);
    if (::close(fd.release()) != 0)
        Fail(path, errno);
    RenameIntoPlace(temp, path);
}

} // namespace

bool PlacedByFolderOwner(const std::string& path) {
    struct stat file {
    }, folder{};
    if (::stat(path.c_str(), &file) != 0 || !S_ISREG(file.st_mode))
        return false;
    if (!SharedFolder(FolderOf(path)))
        return true;
    // Any operator may make a file in the shared folder; only root, or the
    // folder's owner, decides for all of them.
    return ::lstat(path.c_str(), &file) == 0 && S_ISREG(file.st_mode) &&
           ::stat(FolderOf(path).c_str(), &folder) == 0 &&
           (file.st_uid == 0 || file.st_uid == folder.st_uid);
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    if (!WriteThroughUnnamedFile(path, bytes))
        WriteThroughNamedFile(path, bytes);
}

unsigned long ThisProcess() {
    return static_cast<unsigned long>(::getpid());
}

bool ProcessRunning(unsigned long process) {
    return ::kill(static_cast<pid_t>(process), 0) == 0 || errno != ESRCH;
}

void DeleteFilesIn(const std::string& folder,
                   const std::function<bool(const std::string& name)>& chosen) {
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return;
    const int listFd = ::dup(dir.get());
    if (listFd < 0)
        return;
    std::unique_ptr<DIR, int (*)(DIR*)> entries(::fdopendir(listFd), ::closedir);
    if (!entries) {
        ::close(listFd);
        return;
    }
    while (const dirent* entry = ::readdir(entries.get())) {
        const std::string name = entry->d_name;
        if (!chosen(name))
            continue;
        struct stat st {};
        if (::fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            ::unlinkat(dir.get(), name.c_str(), 0);
    }
}

std::string CutToCharacters(const std::string& text, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A character starts at every byte that is not a UTF-8 continuation.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (characters == count)
                return text.substr(0, i);
            ++characters;
        }
    }
    return text;
}

} // namespace sonterra
