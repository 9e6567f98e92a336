#pragma once
// The weekday tab strip `semana`: seven tabs, Domingo .. Sábado. It reports
// only the operator's selections (mouse click on a tab, arrow keys that wrap
// from the last tab to the first and back) through semanaClick; a selection
// made by the program stays silent.

#include <QTabBar>

namespace sonterra {

class TSemanaTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit TSemanaTabBar(QWidget* parent = nullptr);

Q_SIGNALS:
    void semanaClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

} // namespace sonterra
