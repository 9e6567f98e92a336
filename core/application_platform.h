#pragma once
// What application.cpp needs from the operating system
// (application_posix.cpp or application_windows.cpp).

#include <string>

namespace sonterra {

// Full path of the running executable; empty when the system will not say.
std::string ReadOwnExecutablePath();

// The name, in the program's own folder, of the file by which a shared install
// points the program at the folder where the operators keep the schedule.
extern const char kDataFolderPointer[];

// The folder that pointer names in programFolder (which ends with its
// separator), with its trailing separator; empty when there is no pointer or
// it could have been written by anyone but the administrator. Always empty on
// Windows.
std::string PointedDataFolder(const std::string& programFolder);

// The characters that separate folders in a path.
const char* PathSeparators();

// "sonterra" -> "Sonterra", "C:\\X\\SONTERRA.EXE" -> "Sonterra" (name up to its
// first full stop, first letter capital, the rest small).
std::string TitleFromProgramFileName(const std::string& fullPath);

} // namespace sonterra
