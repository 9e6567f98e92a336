#pragma once
// Which minute a copy of a schedule last rang, kept where every copy of that
// schedule sees it (the single-instance guard's file), so that a copy started
// again inside a minute already rung does not ring it twice.

#include "core/clock.h"

#include <string>

namespace sonterra {

class RungMinuteRecord {
public:
    virtual ~RungMinuteRecord() = default;
    // A MinuteStamp, or empty when none is known.
    virtual std::string LastMinuteRung() const = 0;
    virtual void RecordMinuteRung(const std::string& minute) = 0;
};

// "YYYY-MM-DD HH:MM" of the moment's minute.
std::string MinuteStamp(const DateTime& moment);
// Text of that shape, and nothing else.
bool IsMinuteStamp(const std::string& text);

} // namespace sonterra
