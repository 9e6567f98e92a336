// Program start-up: the regional check, then the window.

#include "app/funcoes.h"
#include "app/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace {

sonterra::BoxResult ShowQtMessageBox(const sonterra::MessageBoxRequest& request) {
    QString text = QString::fromStdString(request.text);
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(request.icon == sonterra::BoxIcon::Error ? QMessageBox::Critical
                                                              : QMessageBox::NoIcon,
                    QString::fromStdString(request.caption), text);
    if (request.buttons == sonterra::BoxButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    if (request.beep)
        QApplication::beep();
    return box.exec() == QMessageBox::Ok ? sonterra::BoxResult::Ok : sonterra::BoxResult::Cancel;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    sonterra::setMessageBoxHandler(ShowQtMessageBox);
    if (!sonterra::CheckRegionalFormats())
        return 0;
    QWidget window;
    window.show();
    return app.exec();
}
