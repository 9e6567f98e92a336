#include "core/system_text_windows.h"
#include "core/system_text.h"

#include <windows.h>

namespace sonterra {

namespace {

std::wstring Widen(UINT codePage, const std::string& text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), n);
    return wide;
}

std::string Narrow(UINT codePage, const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, wide.data(), size, text.data(), n, nullptr, nullptr);
    return text;
}

} // namespace

std::filesystem::path SystemPath(const std::string& text) {
    return std::filesystem::path(Widen(CP_ACP, text));
}

std::string SystemTextToUtf8(const std::string& text) {
    return Narrow(CP_UTF8, Widen(CP_ACP, text));
}

std::string Utf8ToSystemText(const std::string& utf8) {
    return Narrow(CP_ACP, Widen(CP_UTF8, utf8));
}

bool CodePageHolds(unsigned codePage, const std::string& utf8) {
    const std::wstring wide = Widen(CP_UTF8, utf8);
    if (wide.empty())
        return true;
    const int size = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return false;
    // A best fit the flag let through still shows as a different letter.
    return Widen(codePage, Narrow(codePage, wide)) == wide;
}

bool SystemTextHolds(const std::string& utf8) {
    return CodePageHolds(CP_ACP, utf8);
}

std::string WindowsErrorText(unsigned long error) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result =
        n > 0 && text ? Narrow(CP_UTF8, std::wstring(text, n)) : "erro " + std::to_string(error);
    if (text)
        LocalFree(text);
    while (!result.empty() && (result.back() == '\r' || result.back() == '\n'))
        result.pop_back();
    return result;
}

} // namespace sonterra
