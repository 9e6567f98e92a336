#pragma once
// What every fuzz target here shares: a property check that stops the run
// with a finding, and a private scratch folder for the targets that go
// through real files.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>
#include <system_error>
#include <unistd.h>

// A failed property is a finding like a crash: libFuzzer saves the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "FUZZ_CHECK failed: %s at %s:%d\n", #condition, __FILE__,         \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace sonterra::fuzz {

// A folder of this process alone, in memory where the machine has /dev/shm
// (every write is flushed to disk); removed at exit.
class Scratch {
public:
    Scratch() {
        namespace fs = std::filesystem;
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        // A run stopped by a finding leaves its folder: clear those of
        // processes that are gone.
        for (const auto& entry : fs::directory_iterator(base, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(kPrefix, 0) != 0)
                continue;
            const long pid = std::strtol(name.c_str() + std::strlen(kPrefix), nullptr, 10);
            if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
                fs::remove_all(entry.path(), ec);
        }
        const fs::path path = base / (kPrefix + std::to_string(::getpid()));
        fs::create_directories(path);
        folder_ = path.string() + "/";
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& folder() const { return folder_; }

private:
    static constexpr const char* kPrefix = "sonterra-fuzz-";
    std::string folder_;
};

inline const std::string& ScratchFolder() {
    static const Scratch scratch;
    return scratch.folder();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace sonterra::fuzz
