// Program start-up: the regional check, the splash while the main window is
// built, the message loop. The command line is ignored.

#include "app/startup.h"
#include "widgets/qt_message_box.h"
#include "widgets/qt_system_text.h"

#include <exception>

int main(int argc, char* argv[]) {
    // The application object touches no file; the check's boxes need it.
    sonterra::SonterraApplication app(argc, argv);
    sonterra::InstallQtMessageBoxHandler();
    try {
        return sonterra::RunStartup();
    } catch (const std::exception& e) {
        // Failed while the main window's layout was built: the last chance.
        sonterra::ShowErrorBox(sonterra::FromSystemText(e.what()));
        return 1;
    }
}
