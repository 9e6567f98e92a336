#pragma once
// Shows the program's message boxes with QMessageBox. Main thread only.

#include "core/message_box.h"

#include <QString>

#include <memory>

#include <string>

class QMessageBox;
class QWidget;

namespace sonterra {

// Caption, text (CR -> "\n"), icon and buttons of the request, OK the default,
// Esc and the close box answering Cancel where there is one; modal over every
// window and on top. Not shown yet.
std::unique_ptr<QMessageBox> BuildMessageBox(const MessageBoxRequest& request,
                                             QWidget* parent = nullptr);

// What the box's answer means to the program.
BoxResult MessageBoxResult(const QMessageBox& box);

// Routes showMessageBox to QMessageBox: beeps first when asked, centres the
// box, runs it modally and gives the focus back afterwards. Boxes kept for
// afterwards (BoxesAfterwards) are posted to the event loop.
void InstallQtMessageBoxHandler();

// The message with a full stop appended when its last character sorts after "."
QString ErrorBoxText(const QString& message);

// An error that escaped an event handler: error icon, application title as
// caption, through showMessageBox.
void ShowErrorBox(const QString& message);

} // namespace sonterra
