#include "core/system_text.h"
#include "core/system_text_windows.h"
#include "tests/support/test_platform.h"

#include <windows.h>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <utility>

namespace sonterra::test {

namespace {

const char* const kInternational = "Control Panel\\International";
const char* const kRegionalNames[] = {"sShortDate", "sDate", "sTime", "iTime",
                                      "iTLZero",    "s1159", "s2359", "sTimeFormat"};

std::optional<std::string> ReadValue(HKEY key, const char* name) {
    char buffer[256];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::string(buffer, size > 0 && buffer[size - 1] == '\0' ? size - 1 : size);
}

bool WriteValue(HKEY key, const char* name, const std::string& value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

} // namespace

const char* PathSeparator() {
    return "\\";
}

const char* ExecutableSuffix() {
    return ".exe";
}

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    char base[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof base, base);
    if (n == 0 || n > MAX_PATH) {
        ADD_FAILURE() << "GetTempPathA failed";
        return;
    }
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string name = std::string(base, n) + prefix + "-" +
                                 std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(GetTickCount() + attempt);
        if (CreateDirectoryA(name.c_str(), nullptr)) {
            path_ = name + "\\";
            return;
        }
    }
    ADD_FAILURE() << "CreateDirectoryA failed in " << base;
}

TemporaryFolder::~TemporaryFolder() {
    if (path_.empty())
        return;
    std::error_code ec;
    const std::filesystem::path root = SystemPath(path_);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, ec))
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(root, ec);
}

bool MakeFolderReadOnly(const std::string&) {
    // The read-only attribute does not stop new files in a folder on Windows,
    // and Wine does not enforce the access control lists that would.
    return false;
}

UnreplaceableFile::UnreplaceableFile(const std::string& path) : path_(path) {
    const HANDLE h = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        handle_ = h;
        active_ = true;
    }
}

UnreplaceableFile::~UnreplaceableFile() {
    if (handle_)
        CloseHandle(static_cast<HANDLE>(handle_));
}

DiskFull::DiskFull(unsigned long long) {
    // Windows has no per-process file size limit; active_ stays false.
}

DiskFull::~DiskFull() = default;

std::string SystemTextOf(Failure failure) {
    switch (failure) {
    case Failure::MissingFolder:
        return WindowsErrorText(ERROR_PATH_NOT_FOUND);
    case Failure::TargetIsFolder:
        return WindowsErrorText(ERROR_ACCESS_DENIED);
    case Failure::Unreplaceable: // a file open elsewhere is not renamed over
        return WindowsErrorText(ERROR_ACCESS_DENIED);
    case Failure::DiskFull:
        return WindowsErrorText(ERROR_DISK_FULL);
    case Failure::Denied:
        return WindowsErrorText(ERROR_ACCESS_DENIED);
    }
    return {};
}

bool IsThisExecutable(const std::string& path) {
    wchar_t own[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, own, MAX_PATH * 4);
    std::error_code ec;
    return n > 0 && std::filesystem::equivalent(SystemPath(path), std::filesystem::path(own), ec);
}

struct ScopedRegionalFormats::Saved {
    std::vector<std::pair<const char*, std::optional<std::string>>> values;
    HANDLE lock = nullptr;
    ~Saved() {
        if (lock) {
            ReleaseMutex(lock);
            CloseHandle(lock);
        }
    }
};

ScopedRegionalFormats::ScopedRegionalFormats(const RegionalFormats& formats)
    : saved_(std::make_unique<Saved>()) {
    // The values are the user's, shared by every test process running now.
    saved_->lock = CreateMutexA(nullptr, FALSE, "Local\\sonterra-regional-formats");
    if (saved_->lock)
        WaitForSingleObject(saved_->lock, INFINITE);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kInternational, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    const std::string* wanted[] = {&formats.sShortDate, &formats.sDate,      &formats.sTime,
                                   &formats.iTime,      &formats.iTLZero,    &formats.s1159,
                                   &formats.s2359,      &formats.sTimeFormat};
    active_ = true;
    for (std::size_t i = 0; i < std::size(kRegionalNames); ++i) {
        saved_->values.emplace_back(kRegionalNames[i], ReadValue(key, kRegionalNames[i]));
        active_ = WriteValue(key, kRegionalNames[i], *wanted[i]) && active_;
    }
    RegCloseKey(key);
}

ScopedRegionalFormats::~ScopedRegionalFormats() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kInternational, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    for (const auto& [name, value] : saved_->values) {
        if (value)
            WriteValue(key, name, *value);
        else
            RegDeleteValueA(key, name);
    }
    RegCloseKey(key);
}

ProgramRun RunProgram(const std::string& path) {
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + path + "\"";
    const BOOL started = CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (started) {
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0)
            run.output.append(buffer, n);
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        run.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    // Standard output is in text mode here: every "\n" arrived as CR LF.
    std::string output;
    for (std::size_t i = 0; i < run.output.size(); ++i)
        if (!(run.output[i] == '\r' && i + 1 < run.output.size() && run.output[i + 1] == '\n'))
            output += run.output[i];
    run.output = std::move(output);
    return run;
}

void SetEnvironment(const std::string& name, const char* value) {
    // The C runtime's copy and the process's own (which SDL reads) together.
    _putenv_s(name.c_str(), value ? value : "");
}

bool ReadPermissionBinds() {
    return false;
}

} // namespace sonterra::test
