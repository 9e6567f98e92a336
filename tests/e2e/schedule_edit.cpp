// What the main window does to a day file when the operator adds or deletes an
// entry, through the program's own file code, for the install test's accounts.
// The folder is the one the program installed at PROGRAM would use.
//
//   e2e_schedule_edit PROGRAM add WEEKDAY HH:MM PATH
//   e2e_schedule_edit PROGRAM delete WEEKDAY HH:MM   (exit 3: no such entry)
//   e2e_schedule_edit PROGRAM autostart     the logon entry, as "Ativar" writes it
#include "core/application.h"
#include "schedule/atalho.h"
#include "schedule/schedule_files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace sonterra;

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[2]) == "autostart") {
        SetProgramFileNameForTesting(argv[1]);
        Cria_atalho(argv[1], "", ProgramFolder(), nome_atalho);
        return Existe_atalho(nome_atalho) ? 0 : 1;
    }
    if (argc < 5)
        return 2;
    SetProgramFileNameForTesting(argv[1]);
    const std::string folder = ProgramFolder();
    const std::string action = argv[2];
    const int weekday = std::atoi(argv[3]);
    const std::string time = argv[4];
    try {
        if (action == "add" && argc == 6) {
            Lines written;
            return AddEntry(folder, weekday, time, false, argv[5], written) == AddResult::Added ? 0
                                                                                                : 4;
        }
        if (action == "delete") {
            Lines lines = LoadDay(folder, weekday);
            const auto gone = std::remove_if(lines.begin(), lines.end(), [&](const std::string& l) {
                return EntryTimeKey(l) == time;
            });
            if (gone == lines.end())
                return 3;
            lines.erase(gone, lines.end());
            WriteDay(folder, weekday, lines);
            return 0;
        }
    } catch (const FileError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 2;
}
