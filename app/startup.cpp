#include "app/startup.h"

#include "app/regional_check.h"
#include "core/application.h"
#include "core/message_box.h"
#include "core/single_instance.h"
#include "core/system_text.h"
#include "forms/uabertura.h"
#include "forms/usom.h"
#include "widgets/qt_message_box.h"

#include <QFont>
#include <QLibraryInfo>
#include <QPointer>
#include <QTimer>
#include <QTranslator>

#include <exception>

namespace sonterra {

namespace {

// Qt takes options such as -reverse, -style or -platform from the command
// line; the program takes none, so Qt sees only its name. Static: Qt keeps
// the two for the application's whole life.
struct ProgramNameOnly {
    int argc = 1;
    char* argv[2] = {nullptr, nullptr};
};

ProgramNameOnly& NameOnly(int argc, char** argv) {
    static char fallback[] = "sonterra";
    static ProgramNameOnly args;
    args.argv[0] = argc > 0 && argv && argv[0] ? argv[0] : fallback;
    return args;
}

} // namespace

std::string RunningElsewhereText(const std::string& account) {
    const std::string where = account.empty() ? "em outra conta" : "na conta \"" + account + "\"";
    return "O Sonterra já está aberto com esta programação " + where +
           ".\rSó uma cópia toca os sinais: feche-a lá para abri-lo aqui.";
}

std::string NotAnOperatorText(const std::string& folder, const std::string& group) {
    const std::string ask =
        group.empty() ? "Só a conta dona dessa pasta pode usá-la."
                      : "Peça ao administrador para incluir esta conta no grupo \"" + group + "\".";
    return "Esta conta não pode alterar a programação em \"" + folder +
           "\", e por isso não toca os sinais dela.\r" + ask;
}

SonterraApplication::SonterraApplication(int argc, char** argv)
    : QApplication(NameOnly(argc, argv).argc, NameOnly(argc, argv).argv) {
    // Message boxes shown while the main window is hidden must not end the
    // program when they close; only the confirmed closing question does.
    setQuitOnLastWindowClosed(false);
    // The layouts are measured for MS Sans Serif; where it is missing a
    // condensed sans keeps the texts inside their boxes.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("DejaVu Sans Condensed"),
                                QStringLiteral("Liberation Sans Narrow"),
                                QStringLiteral("Arial Narrow")});
    // Qt's own texts (the file chooser, Cancel) in the operator's language;
    // the program's texts are not in Qt's catalogue and stay as they are.
    // The Debian package brings its own copy of the one catalogue it needs
    // (translations/ beside the program) instead of every Qt translation.
    auto* qtTexts = new QTranslator(this);
    if (qtTexts->load(QStringLiteral("qtbase_pt_BR"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        qtTexts->load(QStringLiteral("qtbase_pt_BR"),
                      applicationDirPath() + QStringLiteral("/translations")))
        installTranslator(qtTexts);
}

bool SonterraApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowErrorBox(QString::fromUtf8(e.what()));
    }
    return false;
}

int RunStartup(const CheckFunction& check, const MainWindowFactory& makeMainWindow) {
    if (!(check ? check() : CheckRegionalFormats()))
        return 0;
    // A second copy of the same schedule would ring every bell twice: it
    // brings the running copy's window forward instead, before it makes any
    // window, folder or file, or opens the sound output.
    SingleInstance guard(ProgramFolder());
    if (guard.Refused()) {
        ShowMessage(NotAnOperatorText(SystemTextToUtf8(ProgramFolder()),
                                      SystemTextToUtf8(guard.OperatorsGroup())));
        return 0;
    }
    if (!guard.IsFirst()) {
        if (guard.HeldByAnotherAccount() || !guard.AskRunningCopyToShow())
            ShowMessage(RunningElsewhereText(SystemTextToUtf8(guard.HolderAccount())));
        return 0;
    }
    const MainThreadCom com; // for the shortcut's shell link, until the program ends

    std::unique_ptr<QWidget> mainWindow;
    {
        // On screen exactly while the main window is built; gone even when that fails.
        Tform_abertura splash;
        splash.ShowAndPaint();
        SetApplicationTitle(kStartupTitle);
        TForm1Seams kept;
        kept.minutesRung = &guard;
        mainWindow = makeMainWindow ? makeMainWindow() : std::make_unique<TForm1>(std::move(kept));
    }

    // What a click on the notification-area icon does, on the main thread; a
    // quit request (the setup program's) ends the program as "Sair" does.
    const QPointer<QWidget> window(mainWindow.get());
    guard.WatchRequests(
        [window] {
            QMetaObject::invokeMethod(qApp, [window] {
                if (auto* form = qobject_cast<TForm1*>(window.data()))
                    form->RxTrayIcon1Click();
                else if (window) {
                    window->show();
                    window->raise();
                    window->activateWindow();
                }
            });
        },
        [window] {
            QMetaObject::invokeMethod(qApp, [window] {
                if (auto* form = qobject_cast<TForm1*>(window.data()))
                    form->QuitWithoutAsking();
                else
                    QCoreApplication::exit(0);
            });
        });
    mainWindow->show();
    if (ApplicationTerminateRequested()) {
        // Asked for while the window was built: the loop ends at its first pass.
        QTimer::singleShot(0, mainWindow.get(), [] { QCoreApplication::exit(0); });
    }
    QApplication::exec();
    return 0;
}

} // namespace sonterra
