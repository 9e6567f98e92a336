#pragma once
// Between file_system.cpp, the same on every system, and the platform's
// file_system_posix.cpp or file_system_windows.cpp. Only those three include it.

#include <functional>
#include <string>
#include <utility>

namespace sonterra {

// The name WriteFileAtomically writes under until its rename, in the file's
// own folder: kTemporaryPrefix, the file's name, ".tmp", this process's
// number, "-" and a number of the write. The process number tells
// RemoveStaleTemporaries whose the file is.
std::string TemporaryName(const std::string& fileName, unsigned number);

// The writer's process number in a name TemporaryName made, or 0.
unsigned long WriterOf(const std::string& name);

// Each platform file gives the rest.

// Removes the file `path` names, if it can; no error.
void RemoveFileQuietly(const std::string& path);

// The temporary file of a write, removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty())
            RemoveFileQuietly(path_);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return path_; }
    void keep() { path_.clear(); }

private:
    std::string path_;
};

// Put before the file's name in a temporary name: "." on Linux, to hide it.
extern const char kTemporaryPrefix[];

unsigned long ThisProcess();

// True unless the process is known to have ended.
bool ProcessRunning(unsigned long process);

// Deletes the plain files in folder (no folders, no links) whose names chosen
// picks; a folder that cannot be read is left alone.
void DeleteFilesIn(const std::string& folder,
                   const std::function<bool(const std::string& name)>& chosen);

} // namespace sonterra
