#include "widgets/color_button.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace sonterra {

TSRColorButton::TSRColorButton(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TSRColorButton::setCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void TSRColorButton::setColor(const QColor& color) {
    color_ = color;
    update();
}

void TSRColorButton::setBevelWidth(int width) {
    bevelWidth_ = qMax(0, width);
    update();
}

QSize TSRColorButton::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(caption_) + 16, fm.height() + 10};
}

void TSRColorButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    pressed_ = true;
    down_ = true;
    update();
}

void TSRColorButton::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != down_) {
        down_ = inside;
        update();
    }
}

void TSRColorButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) {
        event->ignore();
        return;
    }
    pressed_ = false;
    const bool fire = rect().contains(event->position().toPoint());
    down_ = false;
    update();
    if (fire)
        Q_EMIT clicked();
}

void TSRColorButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor face = color_.isValid() ? color_ : palette().color(QPalette::Button);
    const QRect r = rect();

    // Black border, then the face with a vertical gradient inside it.
    p.fillRect(r, Qt::black);
    const QRect inner = r.adjusted(1, 1, -1, -1);
    QLinearGradient gradient(inner.topLeft(), inner.bottomLeft());
    gradient.setColorAt(0, down_ ? face.darker(125) : face.lighter(130));
    gradient.setColorAt(1, down_ ? face.lighter(110) : face.darker(125));
    p.fillRect(inner, gradient);

    // Bevel: light top-left and dark bottom-right, swapped while held down.
    const QColor light = face.lighter(170);
    const QColor dark = face.darker(200);
    for (int i = 0; i < bevelWidth_; ++i) {
        const QRect b = inner.adjusted(i, i, -i, -i);
        p.setPen(down_ ? dark : light);
        p.drawLine(b.topLeft(), b.topRight());
        p.drawLine(b.topLeft(), b.bottomLeft());
        p.setPen(down_ ? light : dark);
        p.drawLine(b.bottomLeft(), b.bottomRight());
        p.drawLine(b.topRight(), b.bottomRight());
    }

    p.setFont(font());
    p.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    const QRect textRect = down_ ? inner.translated(1, 1) : inner;
    p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, caption_);
}

} // namespace sonterra
