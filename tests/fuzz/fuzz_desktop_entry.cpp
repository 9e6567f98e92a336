// The autostart entry's command, read back the way the freedesktop rules read
// it, by a reader of its own: the file is UTF-8 without control characters,
// and the program path, the working folder and LC_TIME come back whole,
// whatever bytes they hold.

#include "schedule/desktop_entry_xdg.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace sonterra;

namespace {

using Args = std::vector<std::string>;

// Well-formed UTF-8 (no overlong forms, surrogates or points past U+10FFFF),
// checked by ranges of bytes.
bool IsUtf8(const std::string& s) {
    auto in = [](unsigned char c, int lo, int hi) { return c >= lo && c <= hi; };
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const auto at = [&](std::size_t k) {
            return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0;
        };
        if (c < 0x80) {
            i += 1;
        } else if (in(c, 0xC2, 0xDF) && in(at(1), 0x80, 0xBF)) {
            i += 2;
        } else if ((c == 0xE0 && in(at(1), 0xA0, 0xBF)) || (c == 0xED && in(at(1), 0x80, 0x9F)) ||
                   ((in(c, 0xE1, 0xEC) || in(c, 0xEE, 0xEF)) && in(at(1), 0x80, 0xBF))) {
            if (!in(at(2), 0x80, 0xBF))
                return false;
            i += 3;
        } else if ((c == 0xF0 && in(at(1), 0x90, 0xBF)) || (c == 0xF4 && in(at(1), 0x80, 0x8F)) ||
                   (in(c, 0xF1, 0xF3) && in(at(1), 0x80, 0xBF))) {
            if (!in(at(2), 0x80, 0xBF) || !in(at(3), 0x80, 0xBF))
                return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

// The escapes of a string value: \s \n \t \r \\.
std::optional<std::string> UnescapeValue(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            out += value[i];
            continue;
        }
        if (++i == value.size())
            return std::nullopt;
        switch (value[i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

// The Exec rules: arguments apart by spaces; an argument with a reserved
// character must be quoted whole in double quotes, where ", `, $ and \ are
// escaped by a backslash; then %% stands for % and no other field code may
// appear.
std::optional<Args> SplitExec(const std::string& exec) {
    const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    Args args;
    std::size_t i = 0;
    while (i < exec.size()) {
        if (exec[i] == ' ') {
            ++i;
            continue;
        }
        std::string arg;
        if (exec[i] == '"') {
            for (++i;; ++i) {
                if (i == exec.size())
                    return std::nullopt;
                if (exec[i] == '"')
                    break;
                if (exec[i] == '\\') {
                    if (i + 1 == exec.size() ||
                        std::string("\"`$\\").find(exec[i + 1]) == std::string::npos)
                        return std::nullopt;
                    ++i;
                } else if (exec[i] == '`' || exec[i] == '$') {
                    return std::nullopt;
                }
                arg += exec[i];
            }
            ++i;
            if (i < exec.size() && exec[i] != ' ')
                return std::nullopt;
        } else {
            for (; i < exec.size() && exec[i] != ' '; ++i) {
                if (reserved.find(exec[i]) != std::string::npos)
                    return std::nullopt;
                arg += exec[i];
            }
        }
        std::string plain;
        for (std::size_t k = 0; k < arg.size(); ++k) {
            if (arg[k] == '%') {
                if (k + 1 == arg.size() || arg[k + 1] != '%')
                    return std::nullopt;
                ++k;
            }
            plain += arg[k];
        }
        args.push_back(plain);
    }
    return args;
}

std::optional<std::string> Base64Decode(const std::string& text) {
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        unsigned n = 0;
        int pads = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            if (c == '=' && i + 4 == text.size() && k >= 2) {
                ++pads;
                n <<= 6;
                continue;
            }
            const std::size_t d = digits.find(c);
            if (d == std::string::npos || pads > 0)
                return std::nullopt;
            n = n << 6 | static_cast<unsigned>(d);
        }
        out += static_cast<char>(n >> 16);
        if (pads < 2)
            out += static_cast<char>(n >> 8 & 0xFF);
        if (pads < 1)
            out += static_cast<char>(n & 0xFF);
    }
    return out;
}

// The shell words of a script made of single-quoted strings, plain words
// and ";", as the shell would read them.
std::optional<Args> ShellWords(const std::string& script) {
    Args words;
    std::size_t i = 0;
    while (i < script.size()) {
        if (script[i] == ' ') {
            ++i;
            continue;
        }
        if (script[i] == ';') {
            words.push_back(";");
            ++i;
            continue;
        }
        std::string word;
        while (i < script.size() && script[i] != ' ' && script[i] != ';') {
            if (script[i] == '\'') {
                const std::size_t close = script.find('\'', i + 1);
                if (close == std::string::npos)
                    return std::nullopt;
                word += script.substr(i + 1, close - i - 1);
                i = close + 1;
            } else if (script[i] == '\\' && i + 1 < script.size()) {
                word += script[i + 1];
                i += 2;
            } else if (std::string("\"$`").find(script[i]) != std::string::npos) {
                return std::nullopt;
            } else {
                word += script[i++];
            }
        }
        words.push_back(word);
    }
    return words;
}

const std::string kDecodedPrefix = "echo ";
const std::string kDecodedSuffix = " | base64 -d | /bin/sh";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string lcTime = in.ConsumeBool() ? in.ConsumeRandomLengthString(16) : "";
    const std::string folder = "/" + in.ConsumeRandomLengthString(64) + "/";
    const std::string target = folder + in.ConsumeRemainingBytesAsString();
    if (target.find('\0') != std::string::npos || lcTime.find('\0') != std::string::npos)
        return 0; // no path or variable can hold one

    const std::string text = DesktopEntryText(target, "", folder, "Quorvel STV2", lcTime);

    // A valid file: UTF-8, and no control character but the line ends.
    FUZZ_CHECK(IsUtf8(text));
    for (char c : text)
        FUZZ_CHECK(c == '\n' || (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F));
    FUZZ_CHECK(text.compare(0, 16, "[Desktop Entry]\n") == 0 && text.back() == '\n');
    std::map<std::string, std::string> keys;
    for (std::size_t start = 16, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        const std::size_t eq = line.find('=');
        FUZZ_CHECK(eq != std::string::npos && eq > 0);
        FUZZ_CHECK(keys.emplace(line.substr(0, eq), line.substr(eq + 1)).second);
    }
    FUZZ_CHECK(keys.count("Exec") == 1);
    const auto exec = UnescapeValue(keys["Exec"]);
    FUZZ_CHECK(exec);
    const auto args = SplitExec(*exec);
    FUZZ_CHECK(args && !args->empty());

    // systemd's autostart generator writes "$" and "\\" escaped, and its unit
    // keeps them so: no argument may hold one.
    for (const std::string& arg : *args)
        FUZZ_CHECK(arg.find('\\') == std::string::npos && arg.find('$') == std::string::npos);

    // What the program is started with, in which folder, with which LC_TIME,
    // and whether LC_ALL (which would win over LC_TIME) is taken away.
    std::string started, startedIn, startedLcTime;
    bool unsetsLcAll = false;
    Args rest = *args;
    if (rest.size() == 3 && rest[0] == "/bin/sh" && rest[1] == "-c") {
        FUZZ_CHECK(keys.count("Path") == 0);
        const std::string& command = rest[2];
        FUZZ_CHECK(command.size() > kDecodedPrefix.size() + kDecodedSuffix.size() &&
                   command.compare(0, kDecodedPrefix.size(), kDecodedPrefix) == 0 &&
                   command.compare(command.size() - kDecodedSuffix.size(), kDecodedSuffix.size(),
                                   kDecodedSuffix) == 0);
        const auto script = Base64Decode(command.substr(
            kDecodedPrefix.size(), command.size() - kDecodedPrefix.size() - kDecodedSuffix.size()));
        FUZZ_CHECK(script && script->size() > 1 && script->back() == '\n');
        auto words = ShellWords(script->substr(0, script->size() - 1));
        FUZZ_CHECK(words);
        Args w = *words;
        std::size_t k = 0;
        if (w.size() >= k + 3 && w[k] == "cd" && w[k + 2] == ";") {
            startedIn = w[k + 1];
            k += 3;
        }
        if (w.size() >= k + 8 && w[k] == "unset" && w[k + 1] == "LC_ALL" && w[k + 2] == ";" &&
            w[k + 3].compare(0, 8, "LC_TIME=") == 0 && w[k + 4] == ";" && w[k + 5] == "export" &&
            w[k + 6] == "LC_TIME" && w[k + 7] == ";") {
            unsetsLcAll = true;
            startedLcTime = w[k + 3].substr(8);
            k += 8;
        }
        FUZZ_CHECK(w.size() == k + 3 && w[k] == "exec" && w[k + 2] == "</dev/null");
        started = w[k + 1];
    } else if (rest[0] == "env") {
        // Options, then variables, then the target: which must hold no "=".
        FUZZ_CHECK(keys.count("Path") == 0);
        std::size_t k = 1;
        if (rest.size() > k + 1 && rest[k] == "-C") {
            startedIn = rest[k + 1];
            k += 2;
        }
        if (rest.size() > k + 2 && rest[k] == "-u" && rest[k + 1] == "LC_ALL" &&
            rest[k + 2].compare(0, 8, "LC_TIME=") == 0) {
            unsetsLcAll = true;
            startedLcTime = rest[k + 2].substr(8);
            k += 3;
        }
        FUZZ_CHECK(rest.size() == k + 1 && rest[k].find('=') == std::string::npos);
        started = rest[k];
    } else {
        // The target alone: launchers look it up before "%%" becomes "%".
        FUZZ_CHECK(keys.count("Path") == 1);
        const auto path = UnescapeValue(keys["Path"]);
        FUZZ_CHECK(path);
        startedIn = *path;
        FUZZ_CHECK(rest.size() == 1 && rest[0].find('%') == std::string::npos);
        started = rest[0];
    }
    FUZZ_CHECK(unsetsLcAll == !lcTime.empty());
    FUZZ_CHECK(started == target);
    FUZZ_CHECK(startedIn == folder);
    FUZZ_CHECK(startedLcTime == lcTime);
    return 0;
}
