#include "core/application.h"
#include "core/application_platform.h"

#include <windows.h>
#include <objbase.h>

namespace sonterra {

std::string ReadOwnExecutablePath() {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD n =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// Each Windows account installs its own copy; nothing is shared this way.
const char kDataFolderPointer[] = "sonterra.pasta";

std::string PointedDataFolder(const std::string&) {
    return {};
}

const char* PathSeparators() {
    return "\\/";
}

MainThreadCom::MainThreadCom() {
    // S_FALSE: already initialised on this thread (Qt does so); still ours to release.
    initialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

MainThreadCom::~MainThreadCom() {
    if (initialised_)
        CoUninitialize();
}

} // namespace sonterra
