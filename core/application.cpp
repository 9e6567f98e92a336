#include "core/application.h"

#include "core/application_platform.h"
#include "core/system_text.h"

#include <atomic>
#include <cctype>

namespace sonterra {

namespace {

struct ApplicationState {
    std::string fileName; // empty until first asked for, or set by a test
    std::string title;
    bool titleSet = false;
    std::atomic<bool> terminateRequested{false};
};

ApplicationState& State() {
    static ApplicationState state;
    return state;
}

std::size_t LastSeparator(const std::string& path) {
    return path.find_last_of(PathSeparators());
}

} // namespace

std::string TitleFromProgramFileName(const std::string& fullPath) {
    const std::size_t sep = LastSeparator(fullPath);
    std::string name = sep == std::string::npos ? fullPath : fullPath.substr(sep + 1);
    name = name.substr(0, name.find('.'));
    // First letter in capitals, the rest in small letters; a multibyte first
    // letter is left as it is.
    if (!name.empty())
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    std::size_t first = 1;
    while (first < name.size() && (static_cast<unsigned char>(name[first]) & 0xC0) == 0x80)
        ++first;
    for (std::size_t i = first; i < name.size(); ++i)
        name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    return name;
}

std::string ProgramFileName() {
    ApplicationState& s = State();
    if (s.fileName.empty())
        s.fileName = ReadOwnExecutablePath();
    return s.fileName;
}

std::string ProgramFolder() {
    const std::string file = ProgramFileName();
    const std::size_t sep = LastSeparator(file);
    if (sep == std::string::npos)
        return {};
    const std::string own = file.substr(0, sep + 1);
    const std::string shared = PointedDataFolder(own);
    return shared.empty() ? own : shared;
}

void SetProgramFileNameForTesting(const std::string& fullPath) {
    State().fileName = fullPath;
}

const std::string& ApplicationTitle() {
    ApplicationState& s = State();
    if (!s.titleSet)
        s.title = TitleFromProgramFileName(SystemTextToUtf8(ProgramFileName()));
    return s.title;
}

void SetApplicationTitle(const std::string& title) {
    ApplicationState& s = State();
    s.title = title;
    s.titleSet = true;
}

void RequestApplicationTerminate() {
    State().terminateRequested = true;
}

bool ApplicationTerminateRequested() {
    return State().terminateRequested;
}

} // namespace sonterra
