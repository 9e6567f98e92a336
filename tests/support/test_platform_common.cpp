// The parts of test_platform.h that std::filesystem gives on every system.

#include "core/system_text.h"
#include "tests/support/test_platform.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sonterra::test {

ScopedEnv::ScopedEnv(const std::string& name, const std::optional<std::string>& value)
    : name_(name) {
    if (const char* old = std::getenv(name.c_str()))
        old_ = old;
    SetEnvironment(name_, value ? value->c_str() : nullptr);
}

ScopedEnv::~ScopedEnv() {
    SetEnvironment(name_, old_ ? old_->c_str() : nullptr);
}

std::string AsSystemText(const std::string& utf8) {
    return Utf8ToSystemText(utf8);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(SystemPath(path), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(SystemPath(path), std::ios::binary) << bytes;
}

std::vector<std::string> TemporaryFolder::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(SystemPath(path_))) {
        const std::u8string name = entry.path().filename().u8string();
        names.push_back(Utf8ToSystemText(std::string(name.begin(), name.end())));
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace sonterra::test
