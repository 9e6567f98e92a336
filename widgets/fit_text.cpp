#include "widgets/fit_text.h"

#include <QCheckBox>
#include <QLabel>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>

namespace sonterra {

namespace {

// What the widget's text needs, and what its box gives; 0 and 0 for what
// holds no single line of text.
struct Room {
    int needs = 0;
    int has = 0;
    QString text;
};

Room RoomOf(const QWidget* w) {
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().isEmpty() || label->wordWrap() || !label->pixmap().isNull())
            return {};
        return {label->sizeHint().width(), label->width(), label->text()};
    }
    if (const auto* check = qobject_cast<const QCheckBox*>(w))
        return {check->sizeHint().width(), check->width(), check->text()};
    if (const auto* tabs = qobject_cast<const QTabBar*>(w)) {
        // Each tab's text and the style's room around it, as the tab bar
        // measures a tab before it cuts the texts to fit.
        const int frame = tabs->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, tabs);
        // A tab widget gives its bar what it needs, up to its own width.
        const auto* pages = qobject_cast<const QTabWidget*>(tabs->parentWidget());
        Room room{0, pages ? pages->width() : tabs->width(), {}};
        for (int i = 0; i < tabs->count(); ++i) {
            room.needs += tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)) + frame;
            room.text += (i ? QStringLiteral(" ") : QString()) + tabs->tabText(i);
        }
        return room;
    }
    return {};
}

QList<QWidget*> WithChildren(QWidget* root) {
    QList<QWidget*> all = root->findChildren<QWidget*>();
    all.prepend(root);
    return all;
}

} // namespace

void FitTextsToTheirBoxes(QWidget* root) {
    for (QWidget* w : WithChildren(root)) {
        // Narrower letters first, then smaller ones; never below 6 points.
        int stretch = 100;
        while (RoomOf(w).needs > RoomOf(w).has) {
            QFont font = w->font();
            if (stretch > 75) {
                stretch -= 5;
                font.setStretch(stretch);
            } else if (font.pointSizeF() > 6.0) {
                font.setPointSizeF(font.pointSizeF() - 0.5);
            } else {
                break;
            }
            w->setFont(font);
        }
    }
}

QStringList TextsThatDoNotFit(QWidget* root) {
    QStringList cut;
    for (QWidget* w : WithChildren(root)) {
        const Room room = RoomOf(w);
        if (room.needs > room.has)
            cut << QStringLiteral("%1: %2 (needs %3, has %4)")
                       .arg(w->objectName(), room.text)
                       .arg(room.needs)
                       .arg(room.has);
    }
    return cut;
}

} // namespace sonterra
