#include "core/system_text_windows.h"
#include "schedule/file_system.h"
#include "schedule/file_system_platform.h"
#include "schedule/schedule_files.h"

#include <windows.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <utility>

namespace sonterra {

// No dot: it would not hide the file here.
const char kTemporaryPrefix[] = "";

// The C library keeps the system's own error of its failed call in _doserrno:
// worded by FormatMessageA, as the writes below are, not in the library's
// English.
std::string SystemErrorText(int error) {
    const unsigned long systemError = _doserrno;
    if (systemError != 0)
        return WindowsErrorText(systemError);
    char buffer[256];
    if (strerror_s(buffer, sizeof buffer, error) != 0)
        return "erro " + std::to_string(error);
    return buffer;
}

void RemoveFileQuietly(const std::string& path) {
    DeleteFileA(path.c_str());
}

namespace {

[[noreturn]] void Fail(const std::string& path, DWORD error) {
    throw FileError(path, WindowsErrorText(error));
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ != INVALID_HANDLE_VALUE)
            CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    void reset(HANDLE h) {
        if (h_ != INVALID_HANDLE_VALUE)
            CloseHandle(h_);
        h_ = h;
    }
    BOOL close() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return CloseHandle(h);
    }

private:
    HANDLE h_;
};

} // namespace

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    // Not guessable, and retried, so names planted ahead cannot stop a save.
    static std::mt19937 numbers{std::random_device{}()};
    // Either slash ends the folder's part, or a drive's colon.
    const std::size_t name = path.find_last_of("\\/:") + 1;
    std::string tempPath;
    Handle file(INVALID_HANDLE_VALUE);
    for (int attempt = 0; attempt < 100 && file.get() == INVALID_HANDLE_VALUE; ++attempt) {
        tempPath = path.substr(0, name) +
                   TemporaryName(path.substr(name), static_cast<unsigned>(numbers() % 1000000000u));
        file.reset(CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (file.get() == INVALID_HANDLE_VALUE)
        Fail(path, GetLastError());
    TemporaryFile temp(tempPath);

    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0)
            Fail(path, GetLastError());
        done += written;
    }
    if (!FlushFileBuffers(file.get()))
        Fail(path, GetLastError());
    if (!file.close())
        Fail(path, GetLastError());
    if (!MoveFileExA(temp.path().c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Fail(path, GetLastError());
    temp.keep();
}

bool PlacedByFolderOwner(const std::string& path) {
    return FileExists(path);
}

unsigned long ThisProcess() {
    return GetCurrentProcessId();
}

bool ProcessRunning(unsigned long process) {
    const HANDLE opened = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    if (opened == nullptr)
        return GetLastError() != ERROR_INVALID_PARAMETER; // no such process
    Handle handle(opened);
    DWORD code = 0;
    return !GetExitCodeProcess(handle.get(), &code) || code == STILL_ACTIVE;
}

void DeleteFilesIn(const std::string& folder,
                   const std::function<bool(const std::string& name)>& chosen) {
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/')
        prefix += '\\';
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((prefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    const std::unique_ptr<void, decltype(&FindClose)> closeSearch(search, FindClose);
    do {
        const std::string name = found.cFileName;
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
            chosen(name))
            DeleteFileA((prefix + name).c_str());
    } while (FindNextFileA(search, &found));
}

std::string CutToCharacters(const std::string& text, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (characters == count)
            return text.substr(0, i);
        ++characters;
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size())
            ++i;
    }
    return text;
}

} // namespace sonterra
