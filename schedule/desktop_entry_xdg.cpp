#include "schedule/desktop_entry_xdg.h"

#include <string_view>

namespace sonterra {

namespace {

// The program's icon, as install.sh puts it in the hicolor theme.
constexpr const char* kIconName = "sonterra";

// Characters that force quoting of an Exec argument.
bool IsReserved(char c) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    return reserved.find(c) != std::string_view::npos;
}

// One Exec argument: quoted when it holds a reserved character, with ", `, $
// and \ escaped inside the quotes; a literal % doubled.
std::string QuoteExecArgument(const std::string& arg) {
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
std::string EscapeValue(const std::string& value) {
    std::string out;
    for (char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string DoubledPercents(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '%')
            out += '%';
        out += c;
    }
    return out;
}

// A word of the POSIX shell that stands for text, whatever bytes it holds.
std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string Base64(const std::string& bytes) {
    static constexpr char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned n = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6)
            out += digits[(n >> shift) & 63];
    }
    if (const std::size_t rest = bytes.size() - i; rest > 0) {
        unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2)
            n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += digits[(n >> 18) & 63];
        out += digits[(n >> 12) & 63];
        out += rest == 2 ? digits[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// The command of an entry whose paths (or LC_TIME) cannot be written in it
// as they stand: a file that is not UTF-8 makes the whole entry invalid,
// control characters are not allowed, and launchers differ over backslashes
// and dollars (systemd's autostart generator keeps "\$" as it is). The
// shell reads its real command as base64 (letters, digits, + / =) from a
// pipe, so no launcher has anything to unescape; inside it the paths are
// single-quoted, where the shell takes any byte as it is. A folder that is
// gone does not keep the program from starting.
std::string EncodedExec(const std::string& target, const std::string& arguments,
                        const std::string& workingFolder, const std::string& lcTime) {
    std::string script;
    if (!workingFolder.empty())
        script += "cd " + ShellQuote(workingFolder) + "; ";
    if (!lcTime.empty())
        script += "unset LC_ALL; LC_TIME=" + ShellQuote(lcTime) + "; export LC_TIME; ";
    script += "exec " + ShellQuote(target);
    if (!arguments.empty())
        script += " " + arguments;
    // The pipe is the shell's script, not the program's input.
    script += " </dev/null\n";
    return "/bin/sh -c " + QuoteExecArgument("echo " + Base64(script) + " | base64 -d | /bin/sh");
}

// Whether a folder comes through the Path key unchanged to every launcher:
// systemd's generator writes it C-escaped (quotes, backslashes, bytes above
// ASCII) into WorkingDirectory, which takes it literally and expands "%".
bool PlainFolder(const std::string& folder) {
    for (char c : folder) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F || c == '\\' || c == '\'' || c == '"' || c == '%')
            return false;
    }
    return true;
}

} // namespace

bool IsLiteralInDesktopEntry(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        // systemd's launcher reads C escapes in every argument and replaces
        // ${NAME}: a backslash or a dollar would not come through it whole.
        if (c < 0x20 || c == 0x7F || c == '\\' || c == '$')
            return false;
        if (c < 0x80) {
            ++i;
            continue;
        }
        // Lead byte: length and the smallest code point it may stand for.
        std::size_t length;
        char32_t point, least;
        if ((c & 0xE0) == 0xC0) {
            length = 2, point = c & 0x1F, least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, point = c & 0x0F, least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, point = c & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            point = point << 6 | (next & 0x3F);
        }
        if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

DesktopEntryCommand DesktopEntryCommandFor(const std::string& target, const std::string& arguments,
                                           const std::string& workingFolder,
                                           const std::string& lcTime) {
    const bool literal = IsLiteralInDesktopEntry(target) &&
                         IsLiteralInDesktopEntry(workingFolder) && IsLiteralInDesktopEntry(lcTime);
    const bool plain = literal && lcTime.empty() && PlainFolder(workingFolder) &&
                       target.find('%') == std::string::npos;
    const bool encoded = !literal || (!plain && target.find('=') != std::string::npos);
    std::string exec;
    if (plain) {
        exec = QuoteExecArgument(target);
    } else if (!encoded) {
        // env comes first wherever the target cannot: GLib and systemd look
        // the first word up before "%%" turns back into "%". It enters the
        // folder itself (-C) and takes LC_ALL away, which would win over the
        // LC_TIME it passes. A target with "=" would be read as a variable.
        exec = "env";
        if (!workingFolder.empty())
            exec += " -C " + QuoteExecArgument(workingFolder);
        if (!lcTime.empty())
            exec += " -u LC_ALL " + QuoteExecArgument("LC_TIME=" + lcTime);
        exec += " " + QuoteExecArgument(target);
    } else {
        exec = EncodedExec(target, arguments, workingFolder, lcTime);
    }
    if (!arguments.empty() && !encoded)
        exec += " " + DoubledPercents(arguments);

    DesktopEntryCommand command{EscapeValue(exec), {}, {}};
    // Launchers skip the entry once the program is gone (removed, or its
    // folder deleted), instead of failing at every logon.
    if (!target.empty() && target.front() == '/' && IsLiteralInDesktopEntry(target))
        command.tryExec = EscapeValue(target);
    if (plain)
        command.path = EscapeValue(workingFolder);
    return command;
}

std::string DesktopEntryText(const std::string& target, const std::string& arguments,
                             const std::string& workingFolder, const std::string& name,
                             const std::string& lcTime) {
    const DesktopEntryCommand command =
        DesktopEntryCommandFor(target, arguments, workingFolder, lcTime);
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=" +
                       EscapeValue(name) +
                       "\n"
                       "Exec=" +
                       command.exec + "\n";
    if (!command.tryExec.empty())
        text += "TryExec=" + command.tryExec + "\n";
    if (!command.path.empty())
        text += "Path=" + command.path + "\n";
    text += std::string("Icon=") + kIconName +
            "\n"
            "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n";
    return text;
}

} // namespace sonterra
