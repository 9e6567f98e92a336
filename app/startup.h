#pragma once
// The program's start-up sequence: the regional check, the splash window while
// the main window is built, the message loop. And the application object that
// turns an error escaping an event handler into the error box.

#include <QApplication>

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace sonterra {

class SonterraApplication : public QApplication {
    Q_OBJECT
public:
    // Only the program's name is passed on to Qt: no option changes the program.
    SonterraApplication(int argc, char** argv);
    // An error raised by an event handler is shown in the error box and the
    // loop goes on.
    bool notify(QObject* receiver, QEvent* event) override;
};

using CheckFunction = std::function<bool()>;
using MainWindowFactory = std::function<std::unique_ptr<QWidget>()>;

// What a start says when a copy of another account (named when known) already
// rings this schedule, instead of ending without a word.
std::string RunningElsewhereText(const std::string& account);

// What a start says when this account may not change the schedule in folder,
// whose operators are group's members (empty: one account's folder).
std::string NotAnOperatorText(const std::string& folder, const std::string& group);

// Runs the sequence in the QApplication that exists; returns the exit status.
// A refused check returns 0 before any window, folder or file is made. An
// empty check means CheckRegionalFormats, an empty factory builds TForm1.
int RunStartup(const CheckFunction& check = {}, const MainWindowFactory& makeMainWindow = {});

} // namespace sonterra
