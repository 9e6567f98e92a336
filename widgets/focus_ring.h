#pragma once
// A ring around whichever control of its window has the keyboard focus,
// drawn above the controls in two colours, so it shows on the dark panel and
// on the light lists alike. The controls keep their own look and geometry.
// Main thread only.

#include <QPointer>
#include <QWidget>

namespace sonterra {

class TFocusRing : public QWidget {
    Q_OBJECT
public:
    // Follows the focus among window's descendants; owned by window.
    explicit TFocusRing(QWidget* window);

    // The control the ring is around, or null when it is hidden.
    QWidget* target() const { return target_; }

    static constexpr int kWidth = 3; // outside the control, dark edge + bright band

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow(QWidget* focused);
    void Place();

    QPointer<QWidget> target_;
};

} // namespace sonterra
