#pragma once
// The autostart shortcut in the user's Startup folder, present while the
// schedule is active. On Linux the Startup folder is the freedesktop autostart
// folder and the shortcut a .desktop file; on Windows a .lnk in the folder the
// registry names. The folder is looked up afresh at every call. Plain C++, no
// Qt; main thread only.

#include <string>

namespace sonterra {

inline constexpr const char* nome_atalho = "Quorvel STV2";

// The Startup folder, without a trailing separator (may be empty on Windows).
std::string StartupFolder();
// Startup folder + separator + name + the platform's extension.
std::string ShortcutPath(const std::string& name);

// Writes the shortcut, replacing one of the same name. A file that cannot be
// written is not reported; on Windows a link object that cannot be created
// throws std::runtime_error.
void Cria_atalho(const std::string& target, const std::string& arguments,
                 const std::string& workingFolder, const std::string& name);
// Deletes the shortcut when it exists; failures are not reported.
void Apaga_atalho(const std::string& name);
bool Existe_atalho(const std::string& name);
// True when the shortcut exists but cannot start the program any more: the
// program file it names is gone, or (Linux) it is in a form earlier versions
// wrote that some launchers do not start. One for another program folder
// whose program is there is left alone.
bool Atalho_a_refazer(const std::string& name);

} // namespace sonterra
