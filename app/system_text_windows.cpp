#include "app/system_text.h"

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

} // namespace sonterra
