#include "core/datetime_text.h"

#include <cctype>
#include <cstdio>

namespace sonterra {

namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool StartsWithNoCase(const std::string& text, std::size_t at, const std::string& word) {
    if (word.empty() || at > text.size() || text.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Lower(text[at + i]) != Lower(word[i]))
            return false;
    return true;
}

std::size_t RunLength(const std::string& pattern, std::size_t at) {
    const char c = Lower(pattern[at]);
    std::size_t n = 1;
    while (at + n < pattern.size() && Lower(pattern[at + n]) == c)
        ++n;
    return n;
}

std::string Number(int value, int minDigits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", minDigits, value);
    return buffer;
}

// A pattern with the AM/PM marker anywhere writes hours on the 12-hour clock.
bool HasMarker(const std::string& pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i)
        if (StartsWithNoCase(pattern, i, "ampm") || StartsWithNoCase(pattern, i, "am/pm"))
            return true;
    return false;
}

} // namespace

std::string FormatDateTime(const std::string& pattern, const DateTime& dt,
                           const FormatSettings& fs) {
    const bool twelveHour = HasMarker(pattern);
    std::string out;
    bool afterHour = false; // an m right after an hour means minutes
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = Lower(pattern[i]);
        if (c == '"' || c == '\'') {
            const std::size_t close = pattern.find(pattern[i], i + 1);
            const std::size_t end = close == std::string::npos ? pattern.size() : close;
            out += pattern.substr(i + 1, end - i - 1);
            i = end == pattern.size() ? end : end + 1;
            continue;
        }
        if (StartsWithNoCase(pattern, i, "ampm") || StartsWithNoCase(pattern, i, "am/pm")) {
            out += dt.hour < 12 ? fs.TimeAMString : fs.TimePMString;
            i += StartsWithNoCase(pattern, i, "ampm") ? 4 : 5;
            continue;
        }
        const std::size_t run = RunLength(pattern, i);
        switch (c) {
        case 'h': {
            int hour = dt.hour;
            if (twelveHour) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            const std::size_t n = run >= 2 ? 2 : 1;
            out += Number(hour, static_cast<int>(n));
            i += n;
            afterHour = true;
            continue;
        }
        case 'n':
        case 'm': {
            const std::size_t n = run >= 2 ? 2 : 1;
            const bool minutes = c == 'n' || afterHour;
            out += Number(minutes ? dt.minute : dt.month, static_cast<int>(n));
            i += n;
            afterHour = false;
            continue;
        }
        case 's': {
            const std::size_t n = run >= 2 ? 2 : 1;
            out += Number(dt.second, static_cast<int>(n));
            i += n;
            afterHour = false;
            continue;
        }
        case 'z': {
            out += Number(dt.millisecond, run >= 3 ? 3 : 1);
            i += run >= 3 ? 3 : 1;
            continue;
        }
        case 'd': {
            const std::size_t n = run >= 2 ? 2 : 1;
            out += Number(dt.day, static_cast<int>(n));
            i += n;
            afterHour = false;
            continue;
        }
        case 'y': {
            out += run <= 2 ? Number(dt.year % 100, 2) : Number(dt.year, 4);
            i += run <= 2 ? run : (run >= 4 ? 4 : run);
            afterHour = false;
            continue;
        }
        case '/':
            out += fs.DateSeparator;
            break;
        case ':':
            out += fs.TimeSeparator;
            break;
        default:
            out += pattern[i];
            break;
        }
        ++i;
    }
    return out;
}

std::string TimeToText(const DateTime& dt, const FormatSettings& fs) {
    return FormatDateTime(fs.LongTimeFormat, dt, fs);
}

std::string DateToText(const DateTime& dt, const FormatSettings& fs) {
    return FormatDateTime(fs.ShortDateFormat, dt, fs);
}

std::string TimeOfDayKey(const DateTime& dt, const FormatSettings& fs) {
    return TimeToText(dt, fs).substr(0, 5);
}

namespace {

class Scanner {
public:
    explicit Scanner(const std::string& text) : text_(text) {}

    void SkipBlanks() {
        while (pos_ < text_.size() && text_[pos_] == ' ')
            ++pos_;
    }
    bool AtEnd() const { return pos_ >= text_.size(); }

    // Up to four digits.
    bool ReadNumber(int& value, int& digits) {
        value = 0;
        digits = 0;
        while (pos_ < text_.size() && digits < 5 &&
               std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
            value = value * 10 + (text_[pos_++] - '0');
            ++digits;
        }
        return digits > 0 && digits <= 4;
    }
    bool ReadNumber(int& value) {
        int digits = 0;
        return ReadNumber(value, digits);
    }

    bool Accept(const std::string& word) {
        if (word.empty() || !StartsWithNoCase(text_, pos_, word))
            return false;
        pos_ += word.size();
        return true;
    }

    // 0 none, 1 AM, 2 PM.
    int ReadMarker(const FormatSettings& fs) {
        if (Accept(fs.TimeAMString) || Accept("AM"))
            return 1;
        if (Accept(fs.TimePMString) || Accept("PM"))
            return 2;
        return 0;
    }

private:
    const std::string& text_;
    std::size_t pos_ = 0;
};

enum class DateOrder { MDY, DMY, YMD };

// The first of d, m, y and e in the short date pattern decides.
DateOrder OrderOf(const std::string& shortDateFormat) {
    for (char c : shortDateFormat) {
        switch (Lower(c)) {
        case 'y':
        case 'e':
            return DateOrder::YMD;
        case 'm':
            return DateOrder::MDY;
        case 'd':
            return DateOrder::DMY;
        default:
            break;
        }
    }
    return DateOrder::MDY;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// Two-digit years fall within fifty years of this one.
int ExpandYear(int year) {
    const int now = SystemClock().Now().year;
    int full = now / 100 * 100 + year;
    if (full < now - 50)
        full += 100;
    else if (full > now + 50)
        full -= 100;
    return full;
}

} // namespace

std::optional<DateTime> TextToTime(const std::string& text, const FormatSettings& fs) {
    Scanner in(text);
    in.SkipBlanks();
    int marker = in.ReadMarker(fs);
    in.SkipBlanks();
    int hour = 0, minute = 0, second = 0;
    if (!in.ReadNumber(hour) || !in.Accept(fs.TimeSeparator) || !in.ReadNumber(minute))
        return std::nullopt;
    if (in.Accept(fs.TimeSeparator) && !in.ReadNumber(second))
        return std::nullopt;
    in.SkipBlanks();
    if (marker == 0) {
        marker = in.ReadMarker(fs);
        in.SkipBlanks();
    }
    if (!in.AtEnd())
        return std::nullopt;
    if (marker != 0) {
        if (hour > 12)
            return std::nullopt;
        hour %= 12;
        if (marker == 2)
            hour += 12;
    }
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    DateTime dt;
    dt.hour = hour;
    dt.minute = minute;
    dt.second = second;
    return dt;
}

std::optional<DateTime> TextToDate(const std::string& text, const FormatSettings& fs) {
    Scanner in(text);
    in.SkipBlanks();
    int n[3] = {0, 0, 0}, digits[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && !in.Accept(fs.DateSeparator))
            return std::nullopt;
        if (!in.ReadNumber(n[i], digits[i]))
            return std::nullopt;
    }
    in.SkipBlanks();
    if (!in.AtEnd())
        return std::nullopt;
    int y = 0, m = 0, d = 0, yearDigits = 0;
    switch (OrderOf(fs.ShortDateFormat)) {
    case DateOrder::MDY:
        m = n[0];
        d = n[1];
        y = n[2];
        yearDigits = digits[2];
        break;
    case DateOrder::DMY:
        d = n[0];
        m = n[1];
        y = n[2];
        yearDigits = digits[2];
        break;
    case DateOrder::YMD:
        y = n[0];
        m = n[1];
        d = n[2];
        yearDigits = digits[0];
        break;
    }
    if (yearDigits <= 2)
        y = ExpandYear(y);
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m))
        return std::nullopt;
    DateTime dt;
    dt.year = y;
    dt.month = m;
    dt.day = d;
    return dt;
}

} // namespace sonterra
