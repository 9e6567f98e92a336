#include "schedule/file_system.h"
#include "schedule/file_system_platform.h"

#include <algorithm>
#include <cstring>

namespace sonterra {

std::string TemporaryName(const std::string& fileName, unsigned number) {
    return kTemporaryPrefix + fileName + ".tmp" + std::to_string(ThisProcess()) + "-" +
           std::to_string(number);
}

unsigned long WriterOf(const std::string& name) {
    const std::size_t prefix = std::strlen(kTemporaryPrefix);
    const std::size_t dash = name.rfind('-');
    if (name.compare(0, prefix, kTemporaryPrefix) != 0 || dash == std::string::npos)
        return 0;
    // The file's own name comes between the prefix and ".tmp".
    const std::size_t tmp = name.rfind(".tmp", dash);
    if (tmp == std::string::npos || tmp <= prefix)
        return 0;
    const auto digits = [&](std::size_t from, std::size_t to) {
        return to > from && to - from <= 9 &&
               std::all_of(name.begin() + static_cast<long>(from),
                           name.begin() + static_cast<long>(to),
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(tmp + 4, dash) || !digits(dash + 1, name.size()))
        return 0;
    return std::stoul(name.substr(tmp + 4, dash - tmp - 4));
}

void RemoveStaleTemporaries(const std::string& folder) {
    DeleteFilesIn(folder, [](const std::string& name) {
        const unsigned long writer = WriterOf(name);
        // This process has written nothing yet; another one still running
        // may be halfway through its write.
        return writer != 0 && (writer == ThisProcess() || !ProcessRunning(writer));
    });
}

} // namespace sonterra
