#include "schedule/schedule_files.h"

#include "core/funcoes.h"
#include "core/system_text.h"
#include "schedule/file_system.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace sonterra {

FileError::FileError(const std::string& path, const std::string& systemText)
    : std::runtime_error("Erro no arquivo " + SystemTextToUtf8(path) + ": " + systemText),
      path_(path) {}

FileError::FileError(const std::string& path, Message message)
    : std::runtime_error(message.text), path_(path) {}

FileTooLarge::FileTooLarge(const std::string& path)
    : FileError(path, Message{"Arquivo - " + SystemTextToUtf8(path) +
                              " - maior que 1 MB - Verifique !!"}) {}

namespace {

Lines SplitLines(const std::string& bytes) {
    Lines lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back(bytes.substr(start));
    return lines;
}

std::filesystem::path FsPath(const std::string& path) {
    return SystemPath(path);
}

} // namespace

Lines ReadLines(const std::string& path) {
    bool missing = false;
    std::string bytes = ReadPlainFile(path, kMaxScheduleFileBytes, missing);
    // A file saved by an editor that marks UTF-8 would lose its first entry.
    static constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    if (std::string_view(bytes).substr(0, kUtf8Mark.size()) == kUtf8Mark)
        bytes.erase(0, kUtf8Mark.size());
    return missing ? Lines{} : SplitLines(bytes);
}

void WriteLines(const std::string& path, const Lines& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    WriteFileAtomically(path, bytes);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(FsPath(path), ec);
    // A FIFO or a device "exists" too, but reading it would never end.
    return !ec && std::filesystem::is_regular_file(status);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(FsPath(path), ec);
}

std::string EntryTimeKey(const std::string& line) {
    return line.substr(0, 5);
}

bool EntrySpeaksTime(const std::string& line) {
    return line.size() >= 7 && line[6] == '+';
}

std::string EntryAudioPath(const std::string& line) {
    return line.size() < 9 ? std::string() : CutToCharacters(line.substr(8), 255);
}

std::string MakeEntryLine(const std::string& timeText, bool speakTime, const std::string& path) {
    return timeText + (speakTime ? " + " : " - ") + path;
}

std::string StateFilePath(const std::string& programFolder) {
    return programFolder + "SOM.INI";
}

std::string DayFileName(int weekday) {
    return PadWithZeros(std::to_string(weekday), 2) + ".PR2";
}

std::string AudioFolder(const std::string& programFolder) {
    return programFolder + "AUDIO/";
}

std::string SpokenTimeFolder(const std::string& programFolder) {
    return programFolder + "HORA/";
}

bool ReadState(const std::string& programFolder) {
    const Lines lines = ReadLines(StateFilePath(programFolder));
    return !lines.empty() && lines.front() == "1";
}

void WriteState(const std::string& programFolder, bool active) {
    WriteLines(StateFilePath(programFolder), Lines{active ? "1" : "0"});
}

Lines LoadDay(const std::string& programFolder, int weekday) {
    return ReadLines(programFolder + DayFileName(weekday));
}

AddResult AddEntry(const std::string& programFolder, int weekday, const std::string& timeText,
                   bool speakTime, const std::string& path, Lines& written) {
    Lines lines = LoadDay(programFolder, weekday);
    for (const std::string& line : lines)
        if (line.substr(0, 5) == timeText)
            return AddResult::TimeTaken;
    lines.push_back(MakeEntryLine(timeText, speakTime, path));
    WriteLines(programFolder + DayFileName(weekday), lines);
    written = std::move(lines);
    return AddResult::Added;
}

void WriteDay(const std::string& programFolder, int weekday, const Lines& remaining) {
    WriteLines(programFolder + DayFileName(weekday), remaining);
}

void EnsureFolders(const std::string& programFolder) {
    for (const std::string& folder :
         {AudioFolder(programFolder), SpokenTimeFolder(programFolder)}) {
        std::error_code ec;
        std::filesystem::create_directories(FsPath(folder), ec); // left missing on failure
    }
}

bool MarkerPresent(const std::string& programFolder) {
    // In a shared folder, an operator's empty file must not switch every
    // other operator's logon start off.
    return PlacedByFolderOwner(programFolder + "auto_execute.exe");
}

} // namespace sonterra
