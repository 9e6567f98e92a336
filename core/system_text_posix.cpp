#include "core/system_text.h"

namespace sonterra {

// The locale's narrow text is UTF-8 here (run.sh and the tests use UTF-8
// locales), and paths are bytes.

std::filesystem::path SystemPath(const std::string& text) {
    return std::filesystem::path(text);
}

std::string SystemTextToUtf8(const std::string& text) {
    return text;
}

std::string Utf8ToSystemText(const std::string& utf8) {
    return utf8;
}

bool SystemTextHolds(const std::string&) {
    return true;
}

} // namespace sonterra
