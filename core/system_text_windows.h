#pragma once
// What the Windows files alone add to system_text.h (system_text_windows.cpp).

#include <string>

namespace sonterra {

// The system's text for an error code (GetLastError), in the words of
// FormatMessage and without its closing line break; "erro N" when there is
// none. UTF-8: it is only ever shown in the program's messages.
std::string WindowsErrorText(unsigned long error);

// SystemTextHolds for a given code page (CP_ACP is the system's).
bool CodePageHolds(unsigned codePage, const std::string& utf8);

} // namespace sonterra
