#pragma once
// The scheduler's 500 ms timer. Enabled means the schedule is active. The
// production timer fires just after each :000 and :500 of the wall-clock
// second, so the first tick of a minute comes within a few ms of its start.
// Main thread only; ticks arrive through the Qt event loop.

#include "core/clock.h"

#include <functional>
#include <memory>

namespace sonterra {

class TickTimer {
public:
    virtual ~TickTimer() = default;
    // Enabling an enabled timer, or disabling a disabled one, changes nothing.
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    // Run at every tick while enabled.
    std::function<void()> OnTimer;
};

// How long to wait, from the wall-clock reading `now`, until `marginMs` after
// the next :000 or :500 of its second. Always more than marginMs.
inline constexpr int kPhaseMarginMs = 1;
int PhasedDelayMs(const DateTime& now, int marginMs = kPhaseMarginMs);

// The wall-clock phased timer (a precise single-shot QTimer re-armed at every
// tick); needs a QCoreApplication for its ticks to arrive.
std::unique_ptr<TickTimer> MakePhasedTimer(Clock& clock);

} // namespace sonterra
