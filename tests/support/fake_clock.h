#pragma once
// The clock seam in tests: the time is what the test sets.

#include "core/clock.h"

namespace sonterra::test {

class FakeClock : public Clock {
public:
    FakeClock() = default;
    explicit FakeClock(const DateTime& start) : now(start) {}
    DateTime Now() const override { return now; }
    void set(int hour, int minute, int second) {
        now.hour = hour;
        now.minute = minute;
        now.second = second;
    }

    DateTime now;
};

} // namespace sonterra::test
