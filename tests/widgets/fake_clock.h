#pragma once
// A clock the test sets by hand.

#include "core/clock.h"

class FakeClock : public sonterra::Clock {
public:
    sonterra::DateTime now{2026, 12, 7, 7, 5, 9, 0};
    sonterra::DateTime Now() const override { return now; }
    void set(int hour, int minute, int second) {
        now.hour = hour;
        now.minute = minute;
        now.second = second;
    }
};
