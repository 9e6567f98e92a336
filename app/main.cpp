// Program start-up: the regional check, the splash while the main window is
// built, the message loop. Of the command line only --version and --help are
// read; they are answered before the guard, the schedule or a display.
// Brazil's time formats come from the program's own copy where the system
// has not compiled them, before the application object reads the locale.

#include "app/command_line.h"
#include "app/program_locale.h"
#include "app/startup.h"
#include "widgets/qt_message_box.h"

#include <cstdio>
#include <exception>

int main(int argc, char* argv[]) {
    if (const auto answer = sonterra::CommandLineAnswer(argc, argv)) {
        std::fputs(answer->c_str(), stdout);
        return 0;
    }
    sonterra::UseProgramLocaleWhereMissing();
    // The application object touches no file; the check's boxes need it.
    sonterra::SonterraApplication app(argc, argv);
    sonterra::InstallQtMessageBoxHandler();
    try {
        return sonterra::RunStartup();
    } catch (const std::exception& e) {
        // Failed while the main window's layout was built: the last chance.
        sonterra::ShowErrorBox(QString::fromUtf8(e.what()));
        return 1;
    }
}
