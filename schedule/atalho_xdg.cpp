// The Startup folder of a freedesktop session is the autostart folder; the
// shortcut is a desktop entry there.

#include "schedule/atalho.h"
#include "schedule/desktop_entry_xdg.h"
#include "schedule/file_system.h"
#include "schedule/schedule_files.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace sonterra {

namespace {

namespace fs = std::filesystem;

std::string EnvValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = EnvValue("HOME");
    if (!home.empty())
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return {};
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::path(path), ec) && !fs::is_directory(fs::path(path), ec);
}

} // namespace

std::string StartupFolder() {
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    std::string config = EnvValue("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/')
        config = HomeFolder() + "/.config";
    return config + "/autostart";
}

std::string ShortcutPath(const std::string& name) {
    return StartupFolder() + "/" + name + ".desktop";
}

void Cria_atalho(const std::string& target, const std::string& arguments,
                 const std::string& workingFolder, const std::string& name) {
    // A logon starts the program with the session's own regional formats.
    // When this run was given LC_TIME (run.sh does so where the user's formats
    // would be refused), the shortcut passes it on, or the program would
    // refuse to start at the next logon and no bell would ring.
    const std::string content =
        DesktopEntryText(target, arguments, workingFolder, name, EnvValue("LC_TIME"));

    std::error_code ec;
    fs::create_directories(fs::path(StartupFolder()), ec);
    try {
        WriteFileAtomically(ShortcutPath(name), content);
    } catch (const FileError&) {
        // Not reported: the next activation tries again.
    }
}

void Apaga_atalho(const std::string& name) {
    const std::string path = ShortcutPath(name);
    if (IsFile(path))
        ::unlink(path.c_str());
}

bool Existe_atalho(const std::string& name) {
    return IsFile(ShortcutPath(name));
}

bool Atalho_a_refazer(const std::string& name) {
    bool missing = false;
    std::string text;
    try {
        // An entry is a few hundred bytes; more is none of ours.
        text = ReadPlainFile(ShortcutPath(name), 64 * 1024, missing);
    } catch (const FileError&) {
        return false;
    }
    if (missing)
        return false;
    const EntryProgram entry = DesktopEntryProgram(text);
    return entry.knownToFail ||
           (!entry.program.empty() && entry.program.front() == '/' && !IsFile(entry.program));
}

} // namespace sonterra
