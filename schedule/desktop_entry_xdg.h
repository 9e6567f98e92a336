#pragma once
// The desktop entries this program writes and reads back: the autostart entry
// of atalho_xdg.cpp, and (through sonterra-entry) the menu entry that
// scripts/install.sh fills in and the entries the installers read. Kept apart
// from the file system so it can be checked byte by byte. Plain C++.

#include <string>

namespace sonterra {

// The keys that start the target in the working folder, as written in the
// file (escaped); tryExec and path are empty where the entry goes without.
struct DesktopEntryCommand {
    std::string exec, tryExec, path;
};
DesktopEntryCommand DesktopEntryCommandFor(const std::string& target, const std::string& arguments,
                                           const std::string& workingFolder,
                                           const std::string& lcTime);

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

// The value of key in the [Desktop Entry] group (its first), with the string
// escapes undone; empty when it has none.
std::string DesktopEntryValue(const std::string& text, const std::string& key);

// What an entry starts: the program file and the folder it starts it in
// (each empty when the entry does not say in a form this program wrote), and
// whether the entry is in a form this version knows not to start it at all.
struct EntryProgram {
    std::string program;
    std::string folder;
    bool knownToFail = false;
};
EntryProgram DesktopEntryProgram(const std::string& text);

} // namespace sonterra
