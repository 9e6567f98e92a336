#pragma once
// A sound file on disk, read by the decoder through its descriptor. Only a
// regular file is opened, and the test is made on the opened file, without
// waiting: a FIFO, a device or a folder never holds up a load.
// (local_file_posix.cpp, local_file_windows.cpp)

#include <cstdint>
#include <memory>
#include <string>

namespace sonterra::bass {

class LocalFile {
public:
    // Null on failure, with `error` a library error code: 2 when the file is
    // missing or may not be read, 41 when it is empty or not a regular file.
    static std::unique_ptr<LocalFile> open(const std::string& path, int& error);
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    // Bytes read into buffer, 0 at the end, or minus the system's error number.
    int read(std::uint8_t* buffer, int size);
    // The new offset, or minus the system's error number (whence as for lseek).
    std::int64_t seek(std::int64_t offset, int whence);
    // The file's size now, or minus the system's error number.
    std::int64_t size() const;
    // `path` names this very file still, with the size and modification time
    // it had when opened: what was read of it ahead is what it holds.
    bool unchangedAt(const std::string& path) const;

private:
    // A descriptor on POSIX, a HANDLE on Windows.
    explicit LocalFile(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t handle_;
    // Which file it is (volume and file number), its size and modification
    // time (in the system's units), when opened.
    std::uint64_t volume_ = 0;
    std::uint64_t number_ = 0;
    std::int64_t size_ = 0;
    std::int64_t modified_ = 0;
};

} // namespace sonterra::bass
