#pragma once
// The 500 ms tick timer without an event loop: the test fires it, or calls the
// engine's Tick itself.

#include "schedule/phased_timer.h"

#include <string>
#include <vector>

namespace sonterra::test {

class FakeTickTimer : public TickTimer {
public:
    FakeTickTimer() = default;
    // Also writes "Timer1=1" or "Timer1=0" into log at every SetEnabled.
    explicit FakeTickTimer(std::vector<std::string>& log) : log_(&log) {}

    void SetEnabled(bool enabled) override {
        enabled_ = enabled;
        if (log_)
            log_->push_back(enabled ? "Timer1=1" : "Timer1=0");
    }
    bool Enabled() const override { return enabled_; }
    // One tick, as the timer would give it while enabled.
    void Fire() {
        if (enabled_ && OnTimer)
            OnTimer();
    }

private:
    std::vector<std::string>* log_ = nullptr;
    bool enabled_ = false;
};

} // namespace sonterra::test
