#include "windows/uabertura.h"

#include "ui_uabertura.h"
#include "widgets/screw_panel.h"

#include <QGuiApplication>
#include <QScreen>

Tform_abertura::Tform_abertura(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::form_abertura>())
{
    ui_->setupUi(this);
    Image1 = ui_->Image1;
    ScrewPanel1 = ui_->ScrewPanel1;
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(339, 123);
    FormCreate();
}

Tform_abertura::~Tform_abertura() = default;

void Tform_abertura::FormCreate()
{
    ScrewPanel1->setCaption(QStringLiteral("Quorvel Sonterra"));
}

void Tform_abertura::ShowAndPaint()
{
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    show();
    raise();
    repaint();
}
