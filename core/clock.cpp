#include "core/clock.h"

namespace sonterra {

int DayOfWeek(const DateTime& dt) {
    using namespace std::chrono;
    const year_month_day ymd{year{dt.year}, month{static_cast<unsigned>(dt.month)},
                             day{static_cast<unsigned>(dt.day)}};
    return static_cast<int>(weekday{sys_days{ymd}}.c_encoding()) + 1;
}

} // namespace sonterra
