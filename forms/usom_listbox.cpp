#include "forms/usom_listbox.h"

namespace sonterra {
namespace {

class SortedItem : public QListWidgetItem {
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override {
        return TSortedListBox::LessThan(text(), other.text());
    }
};

} // namespace

TSortedListBox::TSortedListBox(QWidget* parent) : QListWidget(parent) {
    setSortingEnabled(true);
}

void TSortedListBox::AddLines(const QStringList& lines) {
    for (const QString& line : lines) {
        auto* item = new SortedItem(line); // the box takes ownership
        item->setSizeHint(QSize(fontMetrics().horizontalAdvance(line) + 8, kItemHeight));
        addItem(item);
    }
    sortItems(Qt::AscendingOrder);
}

QStringList TSortedListBox::Lines() const {
    QStringList out;
    out.reserve(count());
    for (int i = 0; i < count(); ++i)
        out << item(i)->text();
    return out;
}

bool TSortedListBox::LessThan(const QString& a, const QString& b) {
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    if (c != 0)
        return c < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

} // namespace sonterra
