#include "widgets/focus_ring.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QRegion>
#include <QTabBar>

namespace sonterra {

TFocusRing::TFocusRing(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("FocusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { Follow(now); });
}

void TFocusRing::Follow(QWidget* focused) {
    if (target_)
        target_->removeEventFilter(this);
    if (auto* tabs = qobject_cast<QTabBar*>(target_.data()))
        disconnect(tabs, nullptr, this, nullptr);
    target_ = focused && focused != parentWidget() && parentWidget()->isAncestorOf(focused)
                  ? focused
                  : nullptr;
    if (target_) {
        // It moves, resizes, hides, or (a tab strip) changes its current tab.
        target_->installEventFilter(this);
        if (auto* tabs = qobject_cast<QTabBar*>(target_.data()))
            connect(tabs, &QTabBar::currentChanged, this, &TFocusRing::Place);
    }
    Place();
}

void TFocusRing::Place() {
    if (!target_ || !target_->isVisible()) {
        hide();
        return;
    }
    // A tab strip is ringed at its current tab, the one the arrows move.
    QRect around = target_->rect();
    if (auto* tabs = qobject_cast<QTabBar*>(target_.data()); tabs && tabs->currentIndex() >= 0)
        around = tabs->tabRect(tabs->currentIndex());
    around.moveTopLeft(target_->mapTo(parentWidget(), around.topLeft()));
    setGeometry(around.adjusted(-kWidth, -kWidth, kWidth, kWidth));
    // Only the band is the ring's: the control inside stays its own.
    setMask(QRegion(rect()).subtracted(QRegion(rect().adjusted(kWidth, kWidth, -kWidth, -kWidth))));
    raise();
    show();
    update();
}

bool TFocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == target_) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            Place();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFocusRing::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    // Dark outer edge, bright band inside it: one of the two always contrasts.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 20));
    p.drawRect(QRect(r.left(), r.top(), r.width(), 1));
    p.drawRect(QRect(r.left(), r.bottom(), r.width(), 1));
    p.drawRect(QRect(r.left(), r.top(), 1, r.height()));
    p.drawRect(QRect(r.right(), r.top(), 1, r.height()));
    p.setBrush(QColor(255, 200, 0));
    const QRect in = r.adjusted(1, 1, -1, -1);
    const int band = kWidth - 1;
    p.drawRect(QRect(in.left(), in.top(), in.width(), band));
    p.drawRect(QRect(in.left(), in.bottom() - band + 1, in.width(), band));
    p.drawRect(QRect(in.left(), in.top(), band, in.height()));
    p.drawRect(QRect(in.right() - band + 1, in.top(), band, in.height()));
}

} // namespace sonterra
