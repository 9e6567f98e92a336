#include "core/clock.h"

#include <windows.h>

namespace sonterra {

namespace {

class WindowsClock final : public Clock {
public:
    DateTime Now() const override {
        SYSTEMTIME st{};
        GetLocalTime(&st);
        DateTime dt;
        dt.year = st.wYear;
        dt.month = st.wMonth;
        dt.day = st.wDay;
        dt.hour = st.wHour;
        dt.minute = st.wMinute;
        dt.second = st.wSecond;
        dt.millisecond = st.wMilliseconds;
        return dt;
    }
};

} // namespace

Clock& SystemClock() {
    static WindowsClock clock;
    return clock;
}

} // namespace sonterra
