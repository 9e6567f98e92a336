#pragma once
// Times and dates to text and back, with the process's format settings.
// Pattern letters: h/hh hours, n/nn minutes (m/mm right after an hour), s/ss
// seconds, AMPM the 12-hour marker, d/dd, m/mm, yy/yyyy; "/" and ":" stand for
// the date and time separators. Plain C++, no Qt.

#include "core/clock.h"
#include "core/format_settings.h"

#include <optional>
#include <string>

namespace sonterra {

std::string FormatDateTime(const std::string& pattern, const DateTime& dt,
                           const FormatSettings& fs);

// The time in the long time format.
std::string TimeToText(const DateTime& dt, const FormatSettings& fs = CurrentFormatSettings());
// The date in the short date format.
std::string DateToText(const DateTime& dt, const FormatSettings& fs = CurrentFormatSettings());

// The time-of-day key: the first five characters of TimeToText ("HH:MM" once
// the regional check has passed).
std::string TimeOfDayKey(const DateTime& dt, const FormatSettings& fs = CurrentFormatSettings());

// Reads a time (optional AM/PM marker, h:m[:s] with the time separator, nothing
// left over) or a date (three numbers with the date separator, in the field
// order of the short date format, forming a valid date). Only the fields read
// are set in the result; the others keep their DateTime defaults.
std::optional<DateTime> TextToTime(const std::string& text, const FormatSettings& fs);
std::optional<DateTime> TextToDate(const std::string& text, const FormatSettings& fs);

} // namespace sonterra
