#include "schedule/current_folder.h"

#include "core/system_text.h"

#include <filesystem>
#include <system_error>

namespace sonterra {

bool SetCurrentFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::current_path(SystemPath(path), ec);
    return !ec;
}

} // namespace sonterra
