#pragma once
// The sorted list boxes of the main window (ListBox3, ListBox2): a list that
// keeps its lines in case-insensitive text order, as the day files expect
// after a delete.

#include <QListWidget>
#include <QStringList>

namespace sonterra {

class TSortedListBox : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kItemHeight = 16;

    explicit TSortedListBox(QWidget* parent = nullptr);

    // Adds each line at its sorted place.
    void AddLines(const QStringList& lines);
    // The lines in the order shown.
    QStringList Lines() const;

    // The ordering the box keeps: case-insensitive, then exact text.
    static bool LessThan(const QString& a, const QString& b);
};

} // namespace sonterra
