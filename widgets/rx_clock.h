#pragma once
// Digital clock display: the time of day as HH:MM:SS on the 24-hour clock,
// redrawn every 450 ms by a timer of its own, which runs only while the clock
// can be seen (shown, its window not minimised). Main thread only.

#include <QString>
#include <QWidget>

class QTimer;

namespace sonterra {

class Clock;

class TRxClock : public QWidget {
    Q_OBJECT
public:
    // The clock must outlive the widget.
    explicit TRxClock(QWidget* parent = nullptr);
    TRxClock(Clock& clock, QWidget* parent = nullptr);

    void setClock(Clock& clock);

    // What the display shows now ("07:05:09").
    QString text() const { return text_; }
    static constexpr int kIntervalMs = 450;
    QTimer* timer() const { return timer_; }

    QSize sizeHint() const override;

public Q_SLOTS:
    // Reads the clock and repaints when the text changed.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Starts the timer where the clock can be seen, stops it elsewhere.
    void FollowVisibility();

    Clock* clock_;
    QWidget* watchedWindow_ = nullptr;
    QTimer* timer_;
    QString text_;
};

} // namespace sonterra
