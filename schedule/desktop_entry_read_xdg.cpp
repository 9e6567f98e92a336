// Reading back an autostart entry: which program it starts, in whichever of
// the forms this program has written (Path and a quoted target; env -C; the
// base64 shell line; the "$0" shell lines of earlier versions).

#include "schedule/desktop_entry_xdg.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace sonterra {

namespace {

// The Exec value of the [Desktop Entry] group, its string escapes undone.
std::string ExecValue(const std::string& text) {
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
        if (!inGroup || line.substr(0, 5) != "Exec=")
            continue;
        std::string out;
        for (std::size_t i = 5; i < line.size(); ++i) {
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

// The word after "exec " in the shell script, single-quoted as ShellQuote makes it.
std::string ExecTargetOfScript(const std::string& script) {
    const std::size_t at = script.find("exec '");
    if (at == std::string::npos)
        return {};
    std::string out;
    std::size_t i = at + 5;
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

} // namespace

EntryProgram DesktopEntryProgram(const std::string& text) {
    const std::string exec = ExecValue(text);
    // Earlier versions handed the program to the shell as $0, which systemd's
    // autostart generator does not pass through.
    if (exec.find("$0") != std::string::npos)
        return {{}, true};
    const std::vector<std::string> args = ExecArguments(exec);
    if (args.empty())
        return {};
    if (args[0] == "env") {
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "-C" || args[i] == "-u")
                ++i;
            else if (args[i].find('=') == std::string::npos)
                return {args[i], false};
        }
        return {};
    }
    constexpr std::string_view kEcho = "echo ";
    if (args[0] == "/bin/sh" && args.size() == 3 && args[1] == "-c" &&
        args[2].compare(0, kEcho.size(), kEcho) == 0)
        return {ExecTargetOfScript(FromBase64(std::string_view(args[2]).substr(kEcho.size()))),
                false};
    return {args[0], false};
}

} // namespace sonterra
