// Reading back an autostart or menu entry: which program it starts, and in
// which folder, in whichever of the forms this program and its installers
// have written (Path and a quoted target; env -C; the base64 shell line; the
// "$0" shell lines of earlier versions).

#include "schedule/desktop_entry_xdg.h"

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace sonterra {

namespace {

// The Exec arguments: double quotes with \" \` \$ \\ inside, "%%" for "%".
std::vector<std::string> ExecArguments(const std::string& exec) {
    std::vector<std::string> args;
    std::size_t i = 0;
    while (i < exec.size()) {
        while (i < exec.size() && exec[i] == ' ')
            ++i;
        if (i == exec.size())
            break;
        std::string arg;
        const bool quoted = exec[i] == '"';
        i += quoted ? 1 : 0;
        for (; i < exec.size(); ++i) {
            const char c = exec[i];
            if (quoted && c == '"') {
                ++i;
                break;
            }
            if (!quoted && c == ' ')
                break;
            if (quoted && c == '\\' && i + 1 < exec.size())
                arg += exec[++i];
            else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%')
                arg += exec[i++];
            else
                arg += c;
        }
        args.push_back(arg);
    }
    return args;
}

std::string FromBase64(std::string_view text) {
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+' || c == '/')
            v = c == '+' ? 62 : 63;
        else
            break;
        bits = bits << 6 | static_cast<unsigned>(v);
        if ((count += 6) >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

// The single-quoted word at position i of script, as ShellQuote makes it.
std::string QuotedWordAt(const std::string& script, std::size_t i) {
    std::string out;
    while (i < script.size() && script[i] == '\'') {
        const std::size_t close = script.find('\'', i + 1);
        if (close == std::string::npos)
            return {};
        out += script.substr(i + 1, close - i - 1);
        i = close + 1;
        if (script.compare(i, 3, "\\''") != 0)
            break;
        out += '\'';
        i += 2;
    }
    return out;
}

// The program and folder of the shell script an encoded entry runs:
// "cd 'FOLDER'; ... exec 'TARGET' ...".
EntryProgram ScriptProgram(const std::string& script) {
    EntryProgram entry;
    if (script.compare(0, 3, "cd ") == 0)
        entry.folder = QuotedWordAt(script, 3);
    if (const std::size_t at = script.find("exec '"); at != std::string::npos)
        entry.program = QuotedWordAt(script, at + 5);
    return entry;
}

} // namespace

std::string DesktopEntryValue(const std::string& text, const std::string& key) {
    const std::string prefix = key + "=";
    bool inGroup = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inGroup || line.substr(0, prefix.size()) != prefix)
            continue;
        std::string out;
        for (std::size_t i = prefix.size(); i < line.size(); ++i) {
            char c = line[i];
            if (c == '\\' && i + 1 < line.size()) {
                c = line[++i];
                c = c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
            }
            out += c;
        }
        return out;
    }
    return {};
}

EntryProgram DesktopEntryProgram(const std::string& text) {
    const std::string exec = DesktopEntryValue(text, "Exec");
    // Earlier versions handed the program to the shell as $0, which systemd's
    // autostart generator does not pass through.
    if (exec.find("$0") != std::string::npos)
        return {{}, {}, true};
    const std::vector<std::string> args = ExecArguments(exec);
    EntryProgram entry;
    constexpr std::string_view kEcho = "echo ";
    if (!args.empty() && args[0] == "env") {
        for (std::size_t i = 1; i < args.size() && entry.program.empty(); ++i) {
            if (args[i] == "-C" && i + 1 < args.size())
                entry.folder = args[++i];
            else if (args[i] == "-C" || args[i] == "-u")
                ++i;
            else if (args[i].find('=') == std::string::npos)
                entry.program = args[i];
        }
    } else if (args.size() == 3 && args[0] == "/bin/sh" && args[1] == "-c" &&
               args[2].compare(0, kEcho.size(), kEcho) == 0) {
        entry = ScriptProgram(FromBase64(std::string_view(args[2]).substr(kEcho.size())));
    } else if (!args.empty()) {
        entry.program = args[0];
    }
    // Path wins: launchers enter it before they run the command.
    if (std::string path = DesktopEntryValue(text, "Path"); !path.empty())
        entry.folder = std::move(path);
    return entry;
}

} // namespace sonterra
