// The Startup folder of a freedesktop session is the autostart folder; the
// shortcut is a desktop entry there.

#include "schedule/atalho.h"
#include "schedule/file_system.h"
#include "schedule/schedule_files.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace sonterra {

namespace {

namespace fs = std::filesystem;

std::string EnvValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder()
{
    std::string home = EnvValue("HOME");
    if (!home.empty())
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return {};
}

// Characters that force quoting of an Exec argument.
bool IsReserved(char c)
{
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    return reserved.find(c) != std::string_view::npos;
}

// One Exec argument: quoted when it holds a reserved character, with ", `, $
// and \ escaped inside the quotes; a literal % doubled.
std::string QuoteExecArgument(const std::string& arg)
{
    bool quote = arg.empty();
    for (char c : arg)
        quote = quote || IsReserved(c);
    std::string out;
    if (quote)
        out += '"';
    for (char c : arg) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            out += '\\';
        if (c == '%')
            out += '%';
        out += c;
    }
    if (quote)
        out += '"';
    return out;
}

// The escapes every string value of a desktop entry takes.
std::string EscapeValue(const std::string& value)
{
    std::string out;
    for (char c : value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

std::string DoubledPercents(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '%')
            out += '%';
        out += c;
    }
    return out;
}

bool IsFile(const std::string& path)
{
    std::error_code ec;
    return fs::exists(fs::path(path), ec) && !fs::is_directory(fs::path(path), ec);
}

} // namespace

std::string StartupFolder()
{
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    std::string config = EnvValue("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/')
        config = HomeFolder() + "/.config";
    return config + "/autostart";
}

std::string ShortcutPath(const std::string& name)
{
    return StartupFolder() + "/" + name + ".desktop";
}

void Cria_atalho(const std::string& target, const std::string& arguments,
                 const std::string& workingFolder, const std::string& name)
{
    // A logon starts the program with the session's own regional formats.
    // When this run was given LC_TIME (run.sh does so where the user's formats
    // would be refused), the shortcut passes it on, or the program would
    // refuse to start at the next logon and no bell would ring.
    std::string exec;
    if (const std::string lcTime = EnvValue("LC_TIME"); !lcTime.empty())
        exec = "env " + QuoteExecArgument("LC_TIME=" + lcTime) + " ";
    exec += QuoteExecArgument(target);
    if (!arguments.empty())
        exec += " " + DoubledPercents(arguments);

    const std::string content = "[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=" + EscapeValue(name) + "\n"
                                "Exec=" + EscapeValue(exec) + "\n"
                                "Path=" + EscapeValue(workingFolder) + "\n"
                                "Terminal=false\n"
                                "X-GNOME-Autostart-enabled=true\n";

    std::error_code ec;
    fs::create_directories(fs::path(StartupFolder()), ec);
    try {
        WriteFileAtomically(ShortcutPath(name), content);
    } catch (const FileError&) {
        // Not reported: the next activation tries again.
    }
}

void Apaga_atalho(const std::string& name)
{
    const std::string path = ShortcutPath(name);
    if (IsFile(path))
        ::unlink(path.c_str());
}

bool Existe_atalho(const std::string& name) { return IsFile(ShortcutPath(name)); }

} // namespace sonterra
