#include "core/rung_minute.h"

#include <cstdio>

namespace sonterra {

std::string MinuteStamp(const DateTime& moment) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", moment.year, moment.month,
                  moment.day, moment.hour, moment.minute);
    return text;
}

bool IsMinuteStamp(const std::string& text) {
    static const char shape[] = "dddd-dd-dd dd:dd";
    if (text.size() != sizeof shape - 1)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (shape[i] == 'd' ? (text[i] < '0' || text[i] > '9') : text[i] != shape[i])
            return false;
    return true;
}

} // namespace sonterra
