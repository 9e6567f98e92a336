#pragma once
// What application.cpp needs from the operating system
// (application_posix.cpp or application_windows.cpp).

#include <string>

namespace sonterra {

// Full path of the running executable; empty when the system will not say.
std::string ReadOwnExecutablePath();

// The characters that separate folders in a path.
const char* PathSeparators();

// "sonterra" -> "Sonterra", "C:\\X\\SONTERRA.EXE" -> "Sonterra" (name up to its
// first full stop, first letter capital, the rest small).
std::string TitleFromProgramFileName(const std::string& fullPath);

} // namespace sonterra
