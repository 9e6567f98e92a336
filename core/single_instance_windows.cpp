// A named mutex keyed by the program folder's identity (volume and file
// index, so every spelling of the path meets), which Windows destroys with
// the last handle, a crashed process's included. Show and quit requests are
// named auto-reset events of the same key; installer/sonterra.nsi computes
// the key and sets the quit event itself, so names and key stay as they are.
// Names in the Local namespace live in one logon session, so an account
// signed in elsewhere can neither see nor squat them; another account in the
// same session (run as) that finds the name but may not open it is told that
// another account's copy runs. The last minute rung is kept in the folder's
// .sonterra.lock, which the setup program removes with the program.

#include "core/single_instance.h"

#include <cstdio>
#include <thread>

#include <windows.h>

namespace sonterra {

namespace {

class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    void reset(HANDLE h = nullptr) {
        if (h_)
            CloseHandle(h_);
        h_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
    }

private:
    HANDLE h_;
};

std::wstring Widen(const std::string& text) {
    const int n =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

// The folder's identity; the full path in lower case where the file system
// will not give one.
std::wstring FolderKey(const std::string& programFolder) {
    const std::wstring path = Widen(programFolder);
    Handle folder(CreateFileW(path.c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (folder.get() && GetFileInformationByHandle(folder.get(), &info)) {
        wchar_t key[64];
        std::swprintf(key, 64, L"%08lx-%08lx%08lx", info.dwVolumeSerialNumber, info.nFileIndexHigh,
                      info.nFileIndexLow);
        return key;
    }
    wchar_t full[MAX_PATH * 4];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
    std::wstring key = n > 0 && n < MAX_PATH * 4 ? std::wstring(full, n) : path;
    CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
    // A backslash would name a namespace in an object name.
    for (wchar_t& c : key)
        if (c == L'\\')
            c = L'/';
    return key;
}

constexpr wchar_t kMinuteFile[] = L".sonterra.lock";

HANDLE OpenMinuteFile(const std::wstring& folder) {
    return CreateFileW((folder + kMinuteFile).c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_HIDDEN, nullptr);
}

std::string ReadMinute(HANDLE file) {
    char text[32] = {};
    DWORD n = 0;
    if (!file || !ReadFile(file, text, sizeof text - 1, &n, nullptr))
        return {};
    std::string minute(text, n);
    minute = minute.substr(0, minute.find_first_of("\r\n"));
    return IsMinuteStamp(minute) ? minute : std::string();
}

void WriteMinute(HANDLE file, const std::string& minute) {
    const std::string text = minute + "\r\n";
    DWORD n = 0;
    if (file && SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &n, nullptr))
        SetEndOfFile(file);
}

} // namespace

struct SingleInstance::Impl {
    std::wstring key;
    std::wstring folder;
    Handle minuteFile;
    std::string minute;
    Handle mutex;
    Handle showEvent;
    Handle quitEvent;
    Handle stopEvent;
    bool first = true;
    bool otherAccount = false;
    std::thread watcher;

    ~Impl() {
        if (watcher.joinable()) {
            SetEvent(stopEvent.get());
            watcher.join();
        }
    }
};

SingleInstance::SingleInstance(const std::string& programFolder) : impl_(std::make_unique<Impl>()) {
    Impl& d = *impl_;
    d.key = FolderKey(programFolder);
    d.folder = Widen(programFolder);
    d.mutex.reset(CreateMutexW(nullptr, FALSE, (L"Local\\Sonterra-" + d.key).c_str()));
    if (!d.mutex.get()) {
        // The name exists with another account's rights on it.
        if (GetLastError() == ERROR_ACCESS_DENIED) {
            d.first = false;
            d.otherAccount = true;
        }
        return; // otherwise cannot tell: this copy runs
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        d.first = false;
        return;
    }
    d.minuteFile.reset(OpenMinuteFile(d.folder));
    d.minute = ReadMinute(d.minuteFile.get());
    d.showEvent.reset(
        CreateEventW(nullptr, FALSE, FALSE, (L"Local\\Sonterra-show-" + d.key).c_str()));
    d.quitEvent.reset(
        CreateEventW(nullptr, FALSE, FALSE, (L"Local\\Sonterra-quit-" + d.key).c_str()));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::IsFirst() const {
    return impl_->first;
}

// Windows keeps an account that may not write the folder from starting the
// program in it (the setup program's rights), so nobody is refused here.
bool SingleInstance::Refused() const {
    return false;
}

std::string SingleInstance::OperatorsGroup() const {
    return {};
}

bool SingleInstance::HeldByAnotherAccount() const {
    return impl_->otherAccount;
}

std::string SingleInstance::HolderAccount() const {
    return {}; // Windows does not say whose the mutex is
}

namespace {

// The running copy may be between creating the mutex and the event.
bool SetRunningCopysEvent(const std::wstring& name) {
    for (int attempt = 0; attempt < 40; ++attempt) {
        Handle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str()));
        if (event.get())
            return SetEvent(event.get()) != 0;
        Sleep(50);
    }
    return false;
}

} // namespace

bool SingleInstance::AskRunningCopyToShow() const {
    if (impl_->first || impl_->otherAccount)
        return false;
    // The running copy is in the background: let it take the foreground.
    AllowSetForegroundWindow(ASFW_ANY);
    return SetRunningCopysEvent(L"Local\\Sonterra-show-" + impl_->key);
}

bool SingleInstance::AskRunningCopyToQuit() const {
    if (impl_->first || impl_->otherAccount)
        return false;
    return SetRunningCopysEvent(L"Local\\Sonterra-quit-" + impl_->key);
}

void SingleInstance::WatchRequests(std::function<void()> onShowRequest,
                                   std::function<void()> onQuitRequest) {
    Impl& d = *impl_;
    if (!d.first || !d.showEvent.get() || !d.quitEvent.get() || d.watcher.joinable())
        return;
    d.stopEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!d.stopEvent.get())
        return;
    d.watcher =
        std::thread([&d, onShow = std::move(onShowRequest), onQuit = std::move(onQuitRequest)] {
            const HANDLE events[3] = {d.stopEvent.get(), d.showEvent.get(), d.quitEvent.get()};
            for (;;) {
                const DWORD which = WaitForMultipleObjects(3, events, FALSE, INFINITE);
                if (which == WAIT_OBJECT_0 + 1)
                    onShow();
                else if (which == WAIT_OBJECT_0 + 2)
                    onQuit();
                else
                    return;
            }
        });
}

std::string SingleInstance::LastMinuteRung() const {
    return impl_->minute;
}

void SingleInstance::RecordMinuteRung(const std::string& minute) {
    Impl& d = *impl_;
    if (!d.first || !IsMinuteStamp(minute))
        return;
    d.minute = minute;
    WriteMinute(d.minuteFile.get(), minute);
}

} // namespace sonterra
