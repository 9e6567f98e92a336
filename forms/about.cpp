#include "forms/about.h"

#include "ui_about.h"
#include "widgets/color_button.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QUrl>

namespace sonterra {

QString Tform_about::MakerHost() {
    return QStringLiteral("www.tivra.example");
}

Tform_about::Tform_about(QWidget* owner) : QDialog(owner), ui_(std::make_unique<Ui::form_about>()) {
    ui_->setupUi(this);
    Panel1 = ui_->Panel1;
    Panel2 = ui_->Panel2;
    Panel3 = ui_->Panel3;
    ProgramIcon = ui_->ProgramIcon;
    ProductName = ui_->ProductName;
    Version = ui_->Version;
    Label1 = ui_->Label1;
    Copyright = ui_->Copyright;
    Label2 = ui_->Label2;
    Comments = ui_->Comments;
    Image1 = ui_->Image1;
    SRColorButton1 = ui_->SRColorButton1;

    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setFixedSize(551, 212);
    // A closed about window is freed; the next opening builds a fresh one.
    setAttribute(Qt::WA_DeleteOnClose);

    Label1->installEventFilter(this);
    connect(SRColorButton1, &TSRColorButton::clicked, this, &Tform_about::SRColorButton1Click);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    FormCreate();
}

Tform_about::~Tform_about() = default;

void Tform_about::ShowModalAbout(QWidget* owner) {
    QPointer<Tform_about> about = new Tform_about(owner);
    about->exec();
    delete about.data(); // already gone when closed the usual way
}

void Tform_about::FormCreate() {
    ProductName->setText(QStringLiteral("Quorvel Sonterra"));
    Version->setText(QStringLiteral(SONTERRA_VERSION));
    Label1->setText(MakerHost());
    Copyright->setText(QStringLiteral("© 2026 Tivra Sistemas"));
}

void Tform_about::Label1Click() {
    // No browser is not the operator's problem here: the result is ignored.
    QDesktopServices::openUrl(QUrl(QStringLiteral("http://") + Label1->text()));
}

void Tform_about::SRColorButton1Click() {
    close();
}

void Tform_about::keyPressEvent(QKeyEvent* event) {
    // No key closes this window, Enter and Esc included.
    event->accept();
}

bool Tform_about::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            Label1->rect().contains(mouse->position().toPoint())) {
            Label1Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace sonterra
