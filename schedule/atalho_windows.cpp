// The Startup folder named by the per-user registry; the shortcut written by
// the shell's link object. COM is initialised for the main thread at start-up.

#include "schedule/atalho.h"

#include "core/system_text_windows.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace sonterra {

namespace {

class RegKey {
public:
    RegKey() = default;
    ~RegKey() {
        if (key_)
            RegCloseKey(key_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

template <typename T> class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (ptr_)
            ptr_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    void** out() { return reinterpret_cast<void**>(&ptr_); }
    T* operator->() const { return ptr_; }

private:
    T* ptr_ = nullptr;
};

// An absent key or value reads as the empty string.
std::string ReadStartupFolder() {
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER,
                      "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_READ, key.out()) != ERROR_SUCCESS)
        return {};
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), "Startup", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0)
        return {};
    std::vector<char> buffer(size + 1, '\0');
    if (RegQueryValueExA(key.get(), "Startup", nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return {};
    return std::string(buffer.data());
}

std::wstring ToWide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::string StartupFolder() {
    return ReadStartupFolder();
}

std::string ShortcutPath(const std::string& name) {
    return StartupFolder() + "\\" + name + ".lnk";
}

void Cria_atalho(const std::string& target, const std::string& arguments,
                 const std::string& workingFolder, const std::string& name) {
    ComRef<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.out());
    if (FAILED(hr))
        throw std::runtime_error(WindowsErrorText(static_cast<unsigned long>(hr)));
    ComRef<IPersistFile> file;
    hr = link->QueryInterface(IID_IPersistFile, file.out());
    if (FAILED(hr))
        throw std::runtime_error(WindowsErrorText(static_cast<unsigned long>(hr)));

    // Results not examined: a failed save is tried again at the next activation.
    link->SetArguments(arguments.c_str());
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(workingFolder.c_str());
    const std::wstring path = ToWide(ShortcutPath(name));
    file->Save(path.c_str(), FALSE);
}

void Apaga_atalho(const std::string& name) {
    const std::string path = ShortcutPath(name);
    if (IsFile(path))
        DeleteFileA(path.c_str());
}

bool Existe_atalho(const std::string& name) {
    return IsFile(ShortcutPath(name));
}

bool Atalho_a_refazer(const std::string& name) {
    ComRef<IShellLinkA> link;
    ComRef<IPersistFile> file;
    if (!IsFile(ShortcutPath(name)) ||
        FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.out())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.out())))
        return false;
    const std::wstring path = ToWide(ShortcutPath(name));
    char target[MAX_PATH * 4] = {};
    // SLGP_RAWPATH: the path as stored, not one the shell resolved elsewhere.
    if (FAILED(file->Load(path.c_str(), STGM_READ)) ||
        FAILED(link->GetPath(target, sizeof target, nullptr, SLGP_RAWPATH)) || !target[0])
        return false;
    return !IsFile(target);
}

} // namespace sonterra
