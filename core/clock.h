#pragma once
// The one place the program reads the wall clock, so tests can set it.

#include <chrono>

namespace sonterra {

// A local date and time, as the wall clock shows it.
struct DateTime {
    int year = 1899, month = 12, day = 30; // day zero of the date representation
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(const DateTime& dt);

class Clock {
public:
    virtual ~Clock() = default;
    // Local wall-clock time now.
    virtual DateTime Now() const = 0;
};

// The system's local clock.
Clock& SystemClock();

} // namespace sonterra
