// Writes the day file 03.PR2 and SOM.INI in an endless loop through the
// schedule files' own routines (add, delete, rewrite, state), for a test that
// kills it in the middle of its writes. Before each write it appends the bytes the file
// is about to hold to a journal: "NAME LENGTH HASH", so the test can tell a
// complete version from a damaged one, and writes one byte to its standard
// output, so the test can kill it right after a chosen announcement whatever
// the machine's speed.
//
//   files_crash_driver FOLDER/ JOURNAL SEED   (FOLDER with its trailing /)
//   files_crash_driver FOLDER/ --sweep        (start-up's cleanup only)
#include "schedule/file_system.h"
#include "schedule/schedule_files.h"
#include "tests/schedule/files_crash_journal.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>

using namespace sonterra;

namespace {

int g_journal = -1;

void Journal(const std::string& name, const Lines& lines) {
    const std::string line = test::JournalLine(name, test::Bytes(lines));
    if (::write(g_journal, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        std::_Exit(3);
    // The test reads these to time its kill; a closed reader is not an error.
    [[maybe_unused]] const ssize_t announced = ::write(STDOUT_FILENO, "v", 1);
}

std::string Time(std::mt19937& rng) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(rng() % 24),
                  static_cast<int>(rng() % 60));
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const std::string folder = argv[1];
    // What the program does at start-up, before it writes anything.
    RemoveStaleTemporaries(folder);
    if (std::string(argv[2]) == "--sweep")
        return 0;
    if (argc < 4)
        return 2;
    g_journal = ::open(argv[2], O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (g_journal < 0)
        return 2;
    std::signal(SIGPIPE, SIG_IGN);
    std::mt19937 rng(static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)));

    // What is on disk now, possibly left by a write the last run never ended.
    Journal("03.PR2", LoadDay(folder, 3));
    Journal("SOM.INI", ReadLines(StateFilePath(folder)));

    for (unsigned n = 0;; ++n) {
        Lines day = LoadDay(folder, 3);
        const std::string path =
            "/sons/" + std::to_string(n) + std::string(rng() % 40, 'x') + ".mp3";
        switch (rng() % 4) {
        case 0: { // add, as the Inserir button does
            if (day.size() >= 30)
                break;
            const std::string time = Time(rng);
            bool taken = false;
            for (const std::string& line : day)
                taken = taken || EntryTimeKey(line) == time;
            if (taken)
                break;
            day.push_back(MakeEntryLine(time, rng() % 2 == 0, path));
            Journal("03.PR2", day);
            Lines written;
            AddEntry(folder, 3, time, EntrySpeaksTime(day.back()), path, written);
            break;
        }
        case 1: // delete one, as Excluir does
            if (!day.empty())
                day.erase(day.begin() + static_cast<long>(rng() % day.size()));
            Journal("03.PR2", day);
            WriteDay(folder, 3, day);
            break;
        case 2: // a whole new day
            day.assign(rng() % 12, "");
            for (std::string& line : day)
                line = MakeEntryLine(Time(rng), true, path);
            Journal("03.PR2", day);
            WriteDay(folder, 3, day);
            break;
        default: { // Ativar / Desativar
            const bool active = !ReadState(folder);
            Journal("SOM.INI", Lines{active ? "1" : "0"});
            WriteState(folder, active);
        }
        }
    }
}
