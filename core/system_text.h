#pragma once
// Two kinds of narrow text. What comes from the system or is stored for it
// (file names, GetModuleFileNameA, the schedule files, regional formats) is
// the system's: UTF-8 on Linux, the ANSI code page on Windows, whichever that
// is. The program's own texts (its literals, and every box, caption and
// error message, which may quote the system's text) are UTF-8 everywhere, so
// they read right under any code page. These are the only ways between the
// two (system_text_posix.cpp or system_text_windows.cpp). Plain C++, no Qt.

#include <filesystem>
#include <string>

namespace sonterra {

// For std::filesystem: on Windows widened through the ANSI code page, as
// fopen and CreateFileA read the same bytes (MinGW's path(std::string) widens
// byte by byte, which turns "–" (0x96) into a control character).
std::filesystem::path SystemPath(const std::string& text);

// For Qt and anything else that speaks UTF-8.
std::string SystemTextToUtf8(const std::string& text);
std::string Utf8ToSystemText(const std::string& utf8);

// Whether the system's narrow text holds this UTF-8 text unchanged: on
// Windows a letter the ANSI code page lacks would come back as "?" or as a
// look-alike ("ж" on Windows-1252, "ç" on Windows-1251).
bool SystemTextHolds(const std::string& utf8);

} // namespace sonterra
