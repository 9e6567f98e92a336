#include "forms/usom_semana.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace sonterra {

TSemanaTabBar::TSemanaTabBar(QWidget* parent) : QTabBar(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setExpanding(false);
    setDrawBase(false);
    setUsesScrollButtons(false);
    // UTF-16 literals: narrow ones are ANSI in a Windows build.
    for (const char16_t* day :
         {u"Domingo", u"Segunda", u"Terça", u"Quarta", u"Quinta", u"Sexta", u"Sábado"})
        addTab(QString::fromUtf16(day));
}

void TSemanaTabBar::mousePressEvent(QMouseEvent* event) {
    const int index = tabAt(event->position().toPoint());
    QTabBar::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && index >= 0 && currentIndex() == index)
        Q_EMIT semanaClick();
}

void TSemanaTabBar::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        step = -1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        step = 1;
        break;
    default:
        QTabBar::keyPressEvent(event);
        return;
    }
    const int n = count();
    if (n == 0)
        return;
    setCurrentIndex((currentIndex() + step + n) % n);
    event->accept();
    Q_EMIT semanaClick();
}

void TSemanaTabBar::wheelEvent(QWheelEvent* event) {
    // The wheel is no way of choosing a day here.
    event->ignore();
}

} // namespace sonterra
