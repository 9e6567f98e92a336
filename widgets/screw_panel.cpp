#include "widgets/screw_panel.h"

#include <QPainter>
#include <qdrawutil.h>

namespace sonterra {

TScrewPanel::TScrewPanel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
}

void TScrewPanel::setCaption(const QString& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    update();
}

void TScrewPanel::setColor(const QColor& color) {
    color_ = color;
    update();
}

QRect TScrewPanel::screwRect(int corner) const {
    const int left = kScrewMargin;
    const int top = kScrewMargin;
    const int right = width() - kScrewMargin - kScrewBox;
    const int bottom = height() - kScrewMargin - kScrewBox;
    switch (corner & 3) {
    case 0:
        return {left, top, kScrewBox, kScrewBox};
    case 1:
        return {right, top, kScrewBox, kScrewBox};
    case 2:
        return {left, bottom, kScrewBox, kScrewBox};
    default:
        return {right, bottom, kScrewBox, kScrewBox};
    }
}

void TScrewPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), color_);

    QPalette pal = palette();
    pal.setColor(QPalette::Button, color_);
    pal.setColor(QPalette::Light, color_.lighter(150));
    pal.setColor(QPalette::Midlight, color_.lighter(125));
    pal.setColor(QPalette::Dark, color_.darker(200));
    pal.setColor(QPalette::Mid, color_.darker(150));
    qDrawShadePanel(&p, rect(), pal, frameShadow() == QFrame::Sunken, lineWidth());

    // Each screw: a sunken round head with a slot across it.
    p.setRenderHint(QPainter::Antialiasing);
    for (int corner = 0; corner < 4; ++corner) {
        const QRectF box = QRectF(screwRect(corner)).adjusted(0.5, 0.5, -0.5, -0.5);
        QLinearGradient head(box.topLeft(), box.bottomRight());
        head.setColorAt(0, color_.lighter(160));
        head.setColorAt(1, color_.darker(180));
        p.setPen(QPen(color_.darker(250), 1));
        p.setBrush(head);
        p.drawEllipse(box);
        p.setPen(QPen(color_.darker(300), 1));
        p.drawLine(QPointF(box.left() + 1.5, box.bottom() - 1.5),
                   QPointF(box.right() - 1.5, box.top() + 1.5));
    }
    p.setRenderHint(QPainter::Antialiasing, false);

    p.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    p.setFont(font());
    p.drawText(contentsRect(), Qt::AlignCenter | Qt::TextSingleLine, caption_);
}

} // namespace sonterra
