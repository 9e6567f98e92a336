#include "tests/support/test_platform.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sonterra::test {

namespace {

// Sets or clears the immutable flag; false when the file system or our
// privileges do not allow it.
bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

const char* PathSeparator() {
    return "/";
}

const char* ExecutableSuffix() {
    return "";
}

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    std::string name = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(name.data()) == nullptr)
        ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
    path_ = name + "/";
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ec)) {
        // chmod follows links: a test's link to /dev/null must not make the
        // machine's /dev/null unwritable to other accounts.
        if (entry.is_symlink(ec))
            continue;
        SetImmutable(entry.path().string(), false);
        ::chmod(entry.path().c_str(), 0755);
    }
    SetImmutable(path_, false);
    ::chmod(path_.c_str(), 0755);
    std::filesystem::remove_all(path_, ec);
}

bool MakeFolderReadOnly(const std::string& folder) {
    ::chmod(folder.c_str(), 0555);
    const std::string probe = folder + "/.probe";
    auto refuses = [&] {
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0)
            return true;
        ::close(fd);
        ::unlink(probe.c_str());
        return false;
    };
    if (refuses())
        return true;
    // Root ignores permission bits.
    return SetImmutable(folder, true) && refuses();
}

UnreplaceableFile::UnreplaceableFile(const std::string& path) : path_(path) {
    active_ = SetImmutable(path_, true);
}

UnreplaceableFile::~UnreplaceableFile() {
    if (active_)
        SetImmutable(path_, false);
}

DiskFull::DiskFull(unsigned long long bytes) {
    rlimit saved{};
    if (::getrlimit(RLIMIT_FSIZE, &saved) != 0)
        return;
    saved_[0] = saved.rlim_cur;
    saved_[1] = saved.rlim_max;
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    active_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

DiskFull::~DiskFull() {
    rlimit saved{};
    saved.rlim_cur = static_cast<rlim_t>(saved_[0]);
    saved.rlim_max = static_cast<rlim_t>(saved_[1]);
    if (active_)
        ::setrlimit(RLIMIT_FSIZE, &saved);
    if (previousHandler_)
        std::signal(SIGXFSZ, previousHandler_);
}

std::string SystemTextOf(Failure failure) {
    switch (failure) {
    case Failure::MissingFolder:
        return std::strerror(ENOENT);
    case Failure::TargetIsFolder:
        return std::strerror(EISDIR);
    case Failure::Unreplaceable:
        return std::strerror(EPERM);
    case Failure::DiskFull:
        return std::strerror(EFBIG);
    case Failure::Denied:
        return std::strerror(EACCES);
    }
    return {};
}

bool IsThisExecutable(const std::string& path) {
    std::error_code ec;
    return std::filesystem::equivalent(path, "/proc/self/exe", ec);
}

struct ScopedRegionalFormats::Saved {
    std::optional<ScopedEnv> lcAll, lang, lcTime;
};

ScopedRegionalFormats::ScopedRegionalFormats(const RegionalFormats& formats)
    : saved_(std::make_unique<Saved>()) {
    if (formats.posixLocale.empty())
        return;
    locale_t probe = ::newlocale(LC_TIME_MASK, formats.posixLocale.c_str(), locale_t{});
    if (probe == locale_t{})
        return; // not installed here (scripts/install-deps.sh makes pt_BR and en_US)
    ::freelocale(probe);
    saved_->lcAll.emplace("LC_ALL", std::nullopt);
    saved_->lang.emplace("LANG", std::nullopt);
    saved_->lcTime.emplace("LC_TIME", formats.posixLocale);
    active_ = true;
}

ScopedRegionalFormats::~ScopedRegionalFormats() = default;

ProgramRun RunProgram(const std::string& path) {
    ProgramRun run;
    const std::string command = "'" + path + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void SetEnvironment(const std::string& name, const char* value) {
    if (value)
        ::setenv(name.c_str(), value, 1);
    else
        ::unsetenv(name.c_str());
}

bool ReadPermissionBinds() {
    return ::geteuid() != 0; // root reads every file
}

} // namespace sonterra::test
