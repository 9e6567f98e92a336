#pragma once
// The text of the autostart desktop entry that atalho_xdg.cpp writes, kept
// apart from the file system so it can be checked byte by byte. Plain C++.

#include <string>

namespace sonterra {

// The [Desktop Entry] group starting the target in the working folder, with
// the arguments (a command-line fragment) after it. A non-empty lcTime is
// passed on as LC_TIME. The text is UTF-8 whatever bytes the paths hold.
std::string DesktopEntryText(const std::string& target, const std::string& arguments,
                             const std::string& workingFolder, const std::string& name,
                             const std::string& lcTime);

// True when text may be written as it stands in a desktop entry and reach the
// program unchanged through every launcher: valid UTF-8 without control
// characters, backslashes or dollars.
bool IsLiteralInDesktopEntry(const std::string& text);

// What an autostart entry starts: the program file (empty when the entry
// does not say in a form this program wrote), and whether the entry is in a
// form this version knows not to start it at all.
struct EntryProgram {
    std::string program;
    bool knownToFail = false;
};
EntryProgram DesktopEntryProgram(const std::string& text);

} // namespace sonterra
