#pragma once
// What the schedule files need from the operating system (file_system_posix.cpp
// or file_system_windows.cpp; file_system.cpp the part alike on both).

#include <cstddef>
#include <string>

namespace sonterra {

// Replaces the file at path with bytes: written to a temporary file in the
// same folder, flushed to disk, then renamed over the old one. Throws
// FileError (path and the system's text) after removing the temporary file;
// the old file is then as it was.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

// Deletes the temporary files WriteFileAtomically left in folder when its
// process died mid-write: only names it makes, only of processes no longer
// running. For start-up: this process's own are taken as stale too.
void RemoveStaleTemporaries(const std::string& folder);

// The bytes of the plain file at path, read whole. Opened without waiting and
// checked on the opened file, so a FIFO, a device or a folder never holds the
// program up: each throws FileError. A missing file sets `missing` and gives
// no bytes. A file of more than `limit` bytes throws FileTooLarge, by its size
// or, for one that grows while read, as soon as the limit is passed.
std::string ReadPlainFile(const std::string& path, std::size_t limit, bool& missing);

// True for a plain file that, where the folder is one shared by a group, was
// put there by root or the folder's owner (no link); elsewhere, for any plain
// file or link to one. Windows: a plain file.
bool PlacedByFolderOwner(const std::string& path);

// At most `count` characters of text, never cutting one in half: UTF-8 code
// points on Linux, the ANSI code page's characters on Windows.
std::string CutToCharacters(const std::string& text, std::size_t count);

// The system's text for the error of the C library call that just failed
// (errno on Linux; on Windows the system error behind it, in the words of
// FormatMessage, as the writes give theirs), in UTF-8 for the program's messages.
std::string SystemErrorText(int error);

} // namespace sonterra
