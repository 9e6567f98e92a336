#include "forms/uabertura.h"

#include "ui_uabertura.h"
#include "widgets/screw_panel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace sonterra {

Tform_abertura::Tform_abertura(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::form_abertura>()) {
    ui_->setupUi(this);
    Image1 = ui_->Image1;
    ScrewPanel1 = ui_->ScrewPanel1;
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // It takes no input, so it need not take the focus; and a window that had
    // it waits, when it goes, for the window manager to release it (2 s under
    // Wine on a desktop with none, every start-up).
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(339, 123);
    FormCreate();
}

Tform_abertura::~Tform_abertura() = default;

void Tform_abertura::FormCreate() {
    ScrewPanel1->setCaption(QStringLiteral("Quorvel Sonterra"));
}

void Tform_abertura::ShowAndPaint() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    show();
    raise();
    // No message loop runs yet: let the window system map it (briefly, and
    // without taking input) so the first paint reaches the screen.
    QElapsedTimer waited;
    waited.start();
    while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    repaint();
}

} // namespace sonterra
