#include "core/clock.h"

#include <ctime>

namespace sonterra {

namespace {

class PosixClock final : public Clock {
public:
    DateTime Now() const override {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        tm local{};
        localtime_r(&ts.tv_sec, &local);
        DateTime dt;
        dt.year = local.tm_year + 1900;
        dt.month = local.tm_mon + 1;
        dt.day = local.tm_mday;
        dt.hour = local.tm_hour;
        dt.minute = local.tm_min;
        dt.second = local.tm_sec > 59 ? 59 : local.tm_sec; // leap second
        dt.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
        return dt;
    }
};

} // namespace

Clock& SystemClock() {
    static PosixClock clock;
    return clock;
}

} // namespace sonterra
