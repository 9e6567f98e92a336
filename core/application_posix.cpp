#include "core/application.h"
#include "core/application_platform.h"

#include <climits>
#include <unistd.h>

namespace sonterra {

std::string ReadOwnExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer)
        return {};
    return std::string(buffer, static_cast<std::size_t>(n));
}

const char* PathSeparators() {
    return "/";
}

// No COM here; the desktop entry needs nothing set up.
MainThreadCom::MainThreadCom() = default;
MainThreadCom::~MainThreadCom() = default;

} // namespace sonterra
