#include "widgets/rx_clock.h"

#include "core/clock.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>
#include <qdrawutil.h>

namespace sonterra {

namespace {

QString TimeText(const DateTime& t) {
    return QStringLiteral("%1:%2:%3")
        .arg(t.hour, 2, 10, QLatin1Char('0'))
        .arg(t.minute, 2, 10, QLatin1Char('0'))
        .arg(t.second, 2, 10, QLatin1Char('0'));
}

} // namespace

TRxClock::TRxClock(QWidget* parent) : TRxClock(SystemClock(), parent) {}

TRxClock::TRxClock(Clock& clock, QWidget* parent)
    : QWidget(parent), clock_(&clock), timer_(new QTimer(this)) {
    timer_->setInterval(kIntervalMs);
    connect(timer_, &QTimer::timeout, this, &TRxClock::refresh);
    refresh();
}

void TRxClock::setClock(Clock& clock) {
    clock_ = &clock;
    refresh();
}

void TRxClock::refresh() {
    QString now = TimeText(clock_->Now());
    if (now == text_)
        return;
    text_ = std::move(now);
    update();
}

void TRxClock::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The window a layout put us in is known only now; minimising it hides
    // nothing as far as our own show and hide events go.
    if (window() != watchedWindow_) {
        if (watchedWindow_)
            watchedWindow_->removeEventFilter(this);
        watchedWindow_ = window();
        if (watchedWindow_ != this)
            watchedWindow_->installEventFilter(this);
    }
    FollowVisibility();
}

void TRxClock::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    FollowVisibility();
}

void TRxClock::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) // a clock that is a window itself
        FollowVisibility();
}

bool TRxClock::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_ && event->type() == QEvent::WindowStateChange)
        FollowVisibility();
    return QWidget::eventFilter(watched, event);
}

void TRxClock::FollowVisibility() {
    const bool seen = isVisible() && !window()->isMinimized();
    if (seen == timer_->isActive())
        return;
    if (seen) {
        refresh();
        timer_->start();
    } else {
        timer_->stop();
    }
}

QSize TRxClock::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(QStringLiteral("00:00:00")) + 12, fm.height() + 8};
}

void TRxClock::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, palette().window());
    // Raised outer bevel, lowered inner bevel.
    qDrawShadeRect(&p, r, palette(), false, 1);
    qDrawShadeRect(&p, r.adjusted(1, 1, -1, -1), palette(), true, 1);
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    p.drawText(r.adjusted(2, 2, -2, -2), Qt::AlignCenter, text_);
}

} // namespace sonterra
