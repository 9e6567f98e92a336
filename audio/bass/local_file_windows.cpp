#include "audio/bass/local_file.h"

#include "audio/bass/bass_errors.h"

#include <windows.h>
#include <cerrno>
#include <cstdio>

namespace sonterra::bass {

namespace {

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// FFmpeg's read callback speaks errno; the few a local read can meet.
int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

struct Identity {
    std::uint64_t volume = 0;
    std::uint64_t number = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0; // 100 ns units
};

bool identityOf(HANDLE h, Identity& id) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info))
        return false;
    id.volume = info.dwVolumeSerialNumber;
    id.number = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                        info.nFileSizeLow);
    id.modified = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
        info.ftLastWriteTime.dwLowDateTime);
    return true;
}

} // namespace

std::unique_ptr<LocalFile> LocalFile::open(const std::string& path, int& error) {
    // The narrow name is in the ANSI code page, as everywhere in the program.
    // Sharing every way: a schedule's sound may be open in an editor.
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        // A folder is refused as "access denied"; it is no sound file, as on Linux.
        const DWORD attributes = GetFileAttributesA(path.c_str());
        const bool folder =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        error = folder ? BASS_ERROR_FILEFORM : BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    std::unique_ptr<LocalFile> file(new LocalFile(reinterpret_cast<std::intptr_t>(h)));
    // A pipe, the console or a device is no sound file.
    LARGE_INTEGER size{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size) || size.QuadPart == 0) {
        error = BASS_ERROR_FILEFORM;
        return nullptr;
    }
    Identity id;
    if (identityOf(h, id)) {
        file->volume_ = id.volume;
        file->number_ = id.number;
        file->size_ = id.size;
        file->modified_ = id.modified;
    }
    error = BASS_OK;
    return file;
}

LocalFile::~LocalFile() {
    CloseHandle(handleOf(handle_));
}

int LocalFile::read(std::uint8_t* buffer, int size) {
    DWORD n = 0;
    if (!ReadFile(handleOf(handle_), buffer, static_cast<DWORD>(size), &n, nullptr))
        return -errnoOf(GetLastError());
    return static_cast<int>(n);
}

std::int64_t LocalFile::seek(std::int64_t offset, int whence) {
    const DWORD method = whence == SEEK_SET   ? FILE_BEGIN
                         : whence == SEEK_CUR ? FILE_CURRENT
                                              : FILE_END;
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    LARGE_INTEGER at{};
    if (!SetFilePointerEx(handleOf(handle_), distance, &at, method))
        return -EINVAL;
    return at.QuadPart;
}

std::int64_t LocalFile::size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handleOf(handle_), &size))
        return -errnoOf(GetLastError());
    return size.QuadPart;
}

bool LocalFile::unchangedAt(const std::string& path) const {
    // Opened for its attributes only, sharing every way: nothing is read.
    const HANDLE h =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    Identity id;
    const bool known = identityOf(h, id);
    CloseHandle(h);
    return known && size_ != 0 && id.volume == volume_ && id.number == number_ &&
           id.size == size_ && id.modified == modified_;
}

} // namespace sonterra::bass
