#pragma once
// The schedule's files in the program folder: the state file SOM.INI, the
// weekday program files 01.PR2 .. 07.PR2, the folders AUDIO/ and HORA/ and the
// marker auto_execute.exe. Every call reads or writes a file whole. Plain C++,
// no Qt; main thread only.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace sonterra {

using Lines = std::vector<std::string>;

// A file that could not be read or written; what() carries the path and the
// system's words for the error, in UTF-8 as every message of the program.
// The file on disk is left as it was.
class FileError : public std::runtime_error {
public:
    FileError(const std::string& path, const std::string& systemText); // systemText in UTF-8
    const std::string& path() const { return path_; }

protected:
    struct Message {
        std::string text;
    };
    FileError(const std::string& path, Message message);

private:
    std::string path_;
};

// A day file holds at most 1,440 lines of at most 264 characters: a file
// several times that size is no schedule, and is refused unread.
constexpr std::size_t kMaxScheduleFileBytes = 1024 * 1024;

// A day or state file above kMaxScheduleFileBytes.
class FileTooLarge : public FileError {
public:
    explicit FileTooLarge(const std::string& path);
};

// Text files: lines end at CR, LF or CR LF, a last unterminated line counts.
// Missing file -> no lines. Throws FileError when the file exists but cannot be
// read, FileTooLarge when it is above kMaxScheduleFileBytes.
Lines ReadLines(const std::string& path);
// Every line followed by CR LF; no lines -> 0 bytes. Atomic: written to a
// temporary file in the same folder, flushed, then renamed over the old one.
// Throws FileError and leaves the old file intact on any failure.
void WriteLines(const std::string& path, const Lines& lines);

// A regular file (or a link to one): never a folder, a FIFO or a device.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// Program entry line fields, taken by position.
std::string EntryTimeKey(const std::string& line);   // characters 1-5
bool EntrySpeaksTime(const std::string& line);       // character 7 is "+"
std::string EntryAudioPath(const std::string& line); // at most 255 characters from 9
std::string MakeEntryLine(const std::string& timeText, bool speakTime, const std::string& path);

// Paths below a program folder (with its trailing separator).
std::string StateFilePath(const std::string& programFolder);    // SOM.INI
std::string DayFileName(int weekday);                           // "01.PR2" .. "07.PR2"
std::string AudioFolder(const std::string& programFolder);      // AUDIO/
std::string SpokenTimeFolder(const std::string& programFolder); // HORA/

bool ReadState(const std::string& programFolder);               // line 1 is exactly "1"
void WriteState(const std::string& programFolder, bool active); // throws FileError
Lines LoadDay(const std::string& programFolder, int weekday);

enum class AddResult { Added, TimeTaken };
// Reloads the day from disk, refuses a taken time, appends and writes back.
// On success `written` holds the lines now in the file.
AddResult AddEntry(const std::string& programFolder, int weekday, const std::string& timeText,
                   bool speakTime, const std::string& path, Lines& written);
// Writes back the remaining lines (the list box's sorted order).
void WriteDay(const std::string& programFolder, int weekday, const Lines& remaining);

// Creates AUDIO/ and HORA/ (with parents) when missing; failures are silent.
void EnsureFolders(const std::string& programFolder);
// auto_execute.exe; in a shared folder only root's (or the folder owner's) counts.
bool MarkerPresent(const std::string& programFolder);
} // namespace sonterra
