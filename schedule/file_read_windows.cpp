#include "core/system_text_windows.h"
#include "schedule/file_system.h"
#include "schedule/schedule_files.h"

#include <windows.h>

namespace sonterra {

namespace {

class ReadHandle {
public:
    explicit ReadHandle(HANDLE h) : h_(h) {}
    ~ReadHandle() {
        if (h_ != INVALID_HANDLE_VALUE)
            CloseHandle(h_);
    }
    ReadHandle(const ReadHandle&) = delete;
    ReadHandle& operator=(const ReadHandle&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

[[noreturn]] void Fail(const std::string& path, DWORD error) {
    throw FileError(path, WindowsErrorText(error));
}

} // namespace

std::string ReadPlainFile(const std::string& path, std::size_t limit, bool& missing) {
    missing = false;
    // Opening never waits; a pipe, the console or a device is told apart by
    // its type before anything is read from it.
    ReadHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            missing = true;
            return {};
        }
        Fail(path, error);
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        Fail(path, ERROR_NOT_SUPPORTED);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size))
        Fail(path, GetLastError());
    if (static_cast<unsigned long long>(size.QuadPart) > limit)
        throw FileTooLarge(path);

    std::string bytes;
    char buffer[8192];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr))
            Fail(path, GetLastError());
        if (n == 0)
            return bytes;
        // A file that grows while read is measured as it comes.
        if (bytes.size() + n > limit)
            throw FileTooLarge(path);
        bytes.append(buffer, n);
    }
}

} // namespace sonterra
