#include "schedule/phased_timer.h"

#include <QTimer>

namespace sonterra {

int PhasedDelayMs(const DateTime& now, int marginMs) {
    const int ms = now.millisecond;
    const int boundary = ms < 500 ? 500 : 1000;
    return boundary - ms + marginMs;
}

namespace {

// A single-shot precise timer re-armed at every tick for the next half second
// of the wall clock: a repeating timer would drift off the second's edge.
class PhasedTimer final : public TickTimer {
public:
    explicit PhasedTimer(Clock& clock) : clock_(clock) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Fire(); });
    }

    void SetEnabled(bool enabled) override {
        if (enabled == enabled_)
            return;
        enabled_ = enabled;
        if (enabled_)
            Arm();
        else
            timer_.stop();
    }

    bool Enabled() const override { return enabled_; }

private:
    void Arm() { timer_.start(PhasedDelayMs(clock_.Now())); }

    void Fire() {
        if (!enabled_)
            return;
        // Re-armed first, so a tick that shows a modal box still has a successor.
        Arm();
        if (OnTimer)
            OnTimer();
    }

    Clock& clock_;
    QTimer timer_;
    bool enabled_ = false;
};

} // namespace

std::unique_ptr<TickTimer> MakePhasedTimer(Clock& clock) {
    return std::make_unique<PhasedTimer>(clock);
}

} // namespace sonterra
