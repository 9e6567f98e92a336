#include "app/startup.h"

#include "app/application.h"
#include "app/funcoes.h"
#include "schedule/usom.h"
#include "widgets/qt_message_box.h"
#include "windows/uabertura.h"

#include <QFont>
#include <QTimer>

#include <exception>

namespace sonterra {

SonterraApplication::SonterraApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // Message boxes shown while the main window is hidden must not end the
    // program when they close; only the confirmed closing question does.
    setQuitOnLastWindowClosed(false);
    // The layouts are measured for MS Sans Serif; where it is missing a
    // condensed sans keeps the texts inside their boxes.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
                                QStringLiteral("Arial Narrow")});
}

bool SonterraApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowErrorBox(FromSystemText(e.what()));
    }
    return false;
}

int RunStartup(const CheckFunction& check, const MainWindowFactory& makeMainWindow)
{
    if (!(check ? check() : CheckRegionalFormats()))
        return 0;
    const MainThreadCom com; // for the shortcut's shell link, until the program ends

    std::unique_ptr<QWidget> mainWindow;
    {
        // On screen exactly while the main window is built; gone even when that fails.
        Tform_abertura splash;
        splash.ShowAndPaint();
        SetApplicationTitle("Quorvel - Sonterra");
        mainWindow = makeMainWindow ? makeMainWindow() : std::make_unique<TForm1>();
    }

    mainWindow->show();
    if (ApplicationTerminateRequested()) {
        // Asked for while the window was built: the loop ends at its first pass.
        QTimer::singleShot(0, mainWindow.get(), [] { QCoreApplication::exit(0); });
    }
    QApplication::exec();
    return 0;
}

} // namespace sonterra
