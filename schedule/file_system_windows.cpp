#include "schedule/file_system.h"
#include "schedule/schedule_files.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <windows.h>

namespace sonterra {

namespace {

std::string WindowsErrorText(DWORD error) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = n > 0 && text ? std::string(text, n) : "erro " + std::to_string(error);
    if (text)
        LocalFree(text);
    while (!result.empty() && (result.back() == '\r' || result.back() == '\n'))
        result.pop_back();
    return result;
}

} // namespace

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
    BOOL close() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return CloseHandle(h);
    }

private:
    HANDLE h_;
};

class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty())
            DeleteFileA(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return path_; }
    void keep() { path_.clear(); }

private:
    std::string path_;
};

} // namespace

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    static unsigned counter = 0;
    const std::string tempPath =
        path + ".tmp" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    Handle file(CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
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

namespace {

// The process number in a name WriteFileAtomically made, or 0.
DWORD WriterOf(const std::string& name) {
    const std::size_t dash = name.rfind('-');
    if (dash == std::string::npos)
        return 0;
    const std::size_t tmp = name.rfind(".tmp", dash);
    if (tmp == std::string::npos || tmp == 0)
        return 0;
    const auto digits = [&](std::size_t from, std::size_t to) {
        return to > from && to - from <= 9 &&
               std::all_of(name.begin() + static_cast<long>(from),
                           name.begin() + static_cast<long>(to),
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(tmp + 4, dash) || !digits(dash + 1, name.size()))
        return 0;
    return static_cast<DWORD>(std::stoul(name.substr(tmp + 4, dash - tmp - 4)));
}

bool ProcessRunning(DWORD pid) {
    const HANDLE opened = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (opened == nullptr)
        return GetLastError() != ERROR_INVALID_PARAMETER; // no such process
    Handle process(opened);
    DWORD code = 0;
    return !GetExitCodeProcess(process.get(), &code) || code == STILL_ACTIVE;
}

} // namespace

void RemoveStaleTemporaries(const std::string& folder) {
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/')
        prefix += '\\';
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((prefix + "*.tmp*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = found.cFileName;
        const DWORD writer = WriterOf(name);
        // This process has written nothing yet; another one still running
        // may be halfway through its write.
        if (writer == 0 ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
            (writer != GetCurrentProcessId() && ProcessRunning(writer)))
            continue;
        DeleteFileA((prefix + name).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
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
