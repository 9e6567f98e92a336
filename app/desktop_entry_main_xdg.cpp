// The program's own desktop-entry code for the installers (scripts/install.sh,
// scripts/uninstall.sh, the package's prerm), so that the entries' format is
// written and read in one place:
//   sonterra-entry menu PROGRAM FOLDER [LC_TIME] <TEMPLATE
//       the menu entry: TEMPLATE (packaging/sonterra.desktop.in) with the keys
//       that start PROGRAM in FOLDER filled in; a line of a key the entry
//       goes without (TryExec, Path) is left out
//   sonterra-entry folder FILE       the folder the entry FILE starts in
//   sonterra-entry program FILE      the program it starts
//   sonterra-entry value KEY FILE    the value of KEY, escapes undone
// A FILE that is not a plain file of at most 64 KiB (an account's entry may
// be anything) is no entry of ours: nothing printed, exit status 1.

#include "schedule/desktop_entry_xdg.h"
#include "schedule/file_system.h"
#include "schedule/schedule_files.h"

#include <cstdio>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>

namespace {

using namespace sonterra;

// The template's lines, each placeholder replaced; a line whose placeholder
// stands for nothing is dropped.
std::string FillTemplate(const std::string& text, const DesktopEntryCommand& command) {
    const std::pair<std::string, std::string> fills[] = {{"@DESKTOP_EXEC@", command.exec},
                                                         {"@DESKTOP_TRYEXEC@", command.tryExec},
                                                         {"@DESKTOP_PATH@", command.path}};
    std::istringstream in(text);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        bool keep = true;
        for (const auto& [name, value] : fills) {
            if (const std::size_t at = line.find(name); at != std::string::npos) {
                keep = keep && !value.empty();
                line.replace(at, name.size(), value);
            }
        }
        if (keep)
            out += line + "\n";
    }
    return out;
}

bool Print(const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
}

} // namespace

int main(int argc, char** argv) {
    const std::string action = argc > 1 ? argv[1] : "";
    if (action == "menu" && (argc == 4 || argc == 5)) {
        const std::string program = argv[2], folder = argv[3];
        const std::string lcTime = argc == 5 ? argv[4] : "";
        const std::string text{std::istreambuf_iterator<char>(std::cin), {}};
        return Print(FillTemplate(text, DesktopEntryCommandFor(program, "", folder, lcTime))) ? 0
                                                                                              : 1;
    }
    const bool value = action == "value" && argc == 4;
    if (!value && !((action == "folder" || action == "program") && argc == 3)) {
        std::fprintf(stderr, "uso: sonterra-entry menu PROGRAMA PASTA [LC_TIME] <MODELO\n"
                             "     sonterra-entry folder|program ARQUIVO\n"
                             "     sonterra-entry value CHAVE ARQUIVO\n");
        return 2;
    }
    std::string text;
    try {
        bool missing = false;
        text = ReadPlainFile(argv[argc - 1], 64 * 1024, missing);
        if (missing)
            return 1;
    } catch (const FileError&) {
        return 1;
    }
    if (value)
        return Print(DesktopEntryValue(text, argv[2])) ? 0 : 1;
    const EntryProgram entry = DesktopEntryProgram(text);
    return Print(action == "folder" ? entry.folder : entry.program) ? 0 : 1;
}
