#pragma once
// What the tests need from the operating system, so the same tests run on
// Linux and under Wine: a temporary folder, an environment variable for a
// scope, a target that cannot be written
// or replaced, a full disk, the system's own error texts, regional formats for
// a fresh process, and running one (test_platform_posix.cpp or
// test_platform_windows.cpp). Texts and paths are the system's narrow text.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sonterra::test {

// A name or a line as the system spells it (the ANSI code page on Windows),
// from the UTF-8 the tests are written in.
std::string AsSystemText(const std::string& utf8);

// "/" on Linux, "\\" on Windows; "" or ".exe".
const char* PathSeparator();
const char* ExecutableSuffix();

// A fresh, empty folder below the system's temporary folder; path() ends with
// the separator. Removed with everything in it, read-only marks undone first.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& prefix = "sonterra-test");
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }
    // Names in the folder, sorted, temporary files included.
    std::vector<std::string> Names() const;

private:
    std::string path_;
};

// Sets an environment variable (removes it, with no value) while it lives;
// its former value, or its absence, comes back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Whole files as bytes, by the system's narrow path.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// Makes a folder refuse new files; false when this system cannot (Linux: the
// permission bits, or the immutable flag for root; Windows under Wine: none,
// since Wine does not enforce access control lists).
bool MakeFolderReadOnly(const std::string& folder);

// While it lives, the file cannot be replaced, written or removed. Linux: the
// immutable flag (needs root on ext4, xfs or btrfs); Windows: the file held
// open by another handle that shares neither writing nor deleting, as an
// editor or a virus scanner does. active() is false when neither works here.
class UnreplaceableFile {
public:
    explicit UnreplaceableFile(const std::string& path);
    ~UnreplaceableFile();
    UnreplaceableFile(const UnreplaceableFile&) = delete;
    UnreplaceableFile& operator=(const UnreplaceableFile&) = delete;
    bool active() const { return active_; }

private:
    std::string path_;
    bool active_ = false;
    void* handle_ = nullptr;
};

// While it lives, a file may grow to at most `bytes`, as on a full disk.
// Linux: RLIMIT_FSIZE with SIGXFSZ ignored. active() is false where the
// system has no such limit (Windows).
class DiskFull {
public:
    explicit DiskFull(unsigned long long bytes);
    ~DiskFull();
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;
    bool active() const { return active_; }

private:
    bool active_ = false;
    unsigned long long saved_[2] = {0, 0};
    void (*previousHandler_)(int) = nullptr;
};

// The ways a file operation fails in these tests, and the text this system
// gives for each (strerror on Linux, FormatMessage on Windows).
enum class Failure { MissingFolder, TargetIsFolder, Unreplaceable, DiskFull, Denied };
std::string SystemTextOf(Failure failure);

// True when path names this process's own executable file.
bool IsThisExecutable(const std::string& path);

// The user's regional formats as Windows keeps them (the regional settings
// write sTimeFormat with sTime, iTime and iTLZero, and Wine, like Windows
// since Vista, derives the time values from it); on Linux a case is set
// through the LC_TIME of an installed locale that gives exactly these formats.
struct RegionalFormats {
    std::string sShortDate, sDate, sTime, iTime, iTLZero, s1159, s2359, sTimeFormat;
    std::string posixLocale; // empty: no Linux locale gives these formats
};

// Sets the formats for programs started while it lives (Windows: the values
// under HKCU\Control Panel\International, put back afterwards; Linux: LC_TIME
// in this process's environment). active() is false when they cannot be set.
class ScopedRegionalFormats {
public:
    explicit ScopedRegionalFormats(const RegionalFormats& formats);
    ~ScopedRegionalFormats();
    ScopedRegionalFormats(const ScopedRegionalFormats&) = delete;
    ScopedRegionalFormats& operator=(const ScopedRegionalFormats&) = delete;
    bool active() const { return active_; }

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
    bool active_ = false;
};

// Runs a program (no arguments) to its end; its standard output and exit status.
struct ProgramRun {
    int exitCode = -1;
    std::string output;
};
ProgramRun RunProgram(const std::string& path);

// Sets a variable of this process's environment, or removes it (nullptr), for
// getenv, the libraries of this process and programs started afterwards.
void SetEnvironment(const std::string& name, const char* value);

// True when taking a file's read permission away stops this process reading
// it: Linux unless root; never on Windows (the permission bits are only the
// read-only attribute there).
bool ReadPermissionBinds();

} // namespace sonterra::test
