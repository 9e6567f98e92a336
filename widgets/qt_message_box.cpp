#include "widgets/qt_message_box.h"

#include "core/application.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>

namespace sonterra {

namespace {

QString BoxText(const std::string& text) {
    // The program separates lines with a lone CR.
    QString t = QString::fromUtf8(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

void CentreOnScreen(QWidget& box) {
    box.adjustSize();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect r = box.frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    box.move(r.topLeft());
}

// QMessageBox sizes itself to its text alone, and a short question under a
// long caption ("Tivra Sistemas", the program's path) had its caption cut.
// A strut as wide as the caption in a bold title font, plus the room of the
// title bar's icon and buttons, keeps it whole.
void KeepCaptionWhole(QMessageBox& box) {
    constexpr int kTitleBarRoom = 120;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarRoom;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

BoxResult RunMessageBox(const MessageBoxRequest& request) {
    if (request.beep)
        QApplication::beep();
    QPointer<QWidget> hadFocus = QApplication::focusWidget();
    QPointer<QWidget> wasActive = QApplication::activeWindow();

    std::unique_ptr<QMessageBox> box = BuildMessageBox(request);
    CentreOnScreen(*box);
    box->exec();
    const BoxResult result = MessageBoxResult(*box);
    box.reset();

    if (wasActive && wasActive->isVisible())
        wasActive->activateWindow();
    if (hadFocus && hadFocus->isVisible())
        hadFocus->setFocus(Qt::OtherFocusReason);
    return result;
}

} // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(const MessageBoxRequest& request, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(QString::fromUtf8(request.caption));
    box->setText(BoxText(request.text));
    box->setTextFormat(Qt::PlainText);
    box->setIcon(request.icon == BoxIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon);
    QPushButton* ok = box->addButton(QMessageBox::Ok);
    if (request.buttons == BoxButtons::OkCancel) {
        QPushButton* cancel = box->addButton(QMessageBox::Cancel);
        box->setEscapeButton(cancel);
    } else {
        box->setEscapeButton(ok);
    }
    box->setDefaultButton(ok);
    KeepCaptionWhole(*box);
    box->setWindowModality(Qt::ApplicationModal);
    // The main window stays on top; its boxes must come above it.
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return box;
}

BoxResult MessageBoxResult(const QMessageBox& box) {
    QAbstractButton* clicked = box.clickedButton();
    if (clicked && box.standardButton(clicked) == QMessageBox::Ok)
        return BoxResult::Ok;
    // Cancel, Esc or the close box; with OK alone these click OK instead.
    return BoxResult::Cancel;
}

void InstallQtMessageBoxHandler() {
    setMessageBoxHandler(&RunMessageBox);
    // A box the bell ticks raised opens from the event loop, with nothing of
    // the tick left on the stack; the ticks go on under it.
    setBoxPoster([](std::function<void()> task) {
        QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
    });
}

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ShowErrorBox(const QString& message) {
    MessageBoxRequest request;
    request.caption = ApplicationTitle();
    request.text = ErrorBoxText(message).toStdString();
    request.icon = BoxIcon::Error;
    request.buttons = BoxButtons::Ok;
    showMessageBox(request);
}

} // namespace sonterra
