#include "core/format_settings.h"

#include "core/regional_formats.h"

#include <cctype>

namespace sonterra {

FormatSettings& CurrentFormatSettings() {
    static FormatSettings settings = ReadRegionalFormatSettings();
    return settings;
}

void BuildTimeFormats(FormatSettings& fs, bool twelveHour, bool leadingZero, bool markerFirst) {
    const std::string hour = leadingZero ? "hh" : "h";
    std::string prefix, suffix;
    if (twelveHour && markerFirst)
        prefix = "AMPM ";
    else if (twelveHour)
        suffix = " AMPM";
    fs.ShortTimeFormat = prefix + hour + ":mm" + suffix;
    fs.LongTimeFormat = prefix + hour + ":mm:ss" + suffix;
}

namespace {

// %D, %F, %T, %r and %R written out in their parts.
std::string ExpandCompound(const std::string& fmt) {
    std::string out;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%' || i + 1 >= fmt.size()) {
            out += fmt[i];
            continue;
        }
        const char c = fmt[i + 1];
        switch (c) {
        case 'D':
            out += "%m/%d/%y";
            break;
        case 'F':
            out += "%Y-%m-%d";
            break;
        case 'T':
            out += "%H:%M:%S";
            break;
        case 'r':
            out += "%I:%M:%S %p";
            break;
        case 'R':
            out += "%H:%M";
            break;
        default:
            out += fmt.substr(i, 2);
            break;
        }
        ++i;
    }
    return out;
}

// One strftime conversion: its letter, and whether a '-' or '_' flag asked
// for no zero padding. Modifiers E and O change nothing here.
struct Conversion {
    char letter = 0;
    bool noZero = false;
    std::size_t end = 0; // index after the conversion
};

Conversion ParseConversion(const std::string& fmt, std::size_t percent) {
    Conversion conv;
    std::size_t i = percent + 1;
    while (i < fmt.size() && (fmt[i] == '-' || fmt[i] == '_' || fmt[i] == '0' || fmt[i] == '^' ||
                              fmt[i] == '#' || std::isdigit(static_cast<unsigned char>(fmt[i])))) {
        if (fmt[i] == '-' || fmt[i] == '_')
            conv.noZero = true;
        ++i;
    }
    while (i < fmt.size() && (fmt[i] == 'E' || fmt[i] == 'O'))
        ++i;
    conv.letter = i < fmt.size() ? fmt[i] : 0;
    conv.end = i < fmt.size() ? i + 1 : i;
    return conv;
}

// The whole UTF-8 character that starts at i.
std::string CharacterAt(const std::string& text, std::size_t i) {
    std::size_t end = i + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        ++end;
    return text.substr(i, end - i);
}

void AppendLiteral(std::string& pattern, char c) {
    if (std::isalpha(static_cast<unsigned char>(c)))
        pattern += std::string("\"") + c + "\"";
    else
        pattern += c;
}

// The short date pattern and the date separator of a D_FMT.
void ReadDateFormat(FormatSettings& fs, const std::string& dateFormat) {
    const std::string date = ExpandCompound(dateFormat);
    std::string pattern;
    bool fieldSeen = false, separatorSeen = false;
    for (std::size_t i = 0; i < date.size();) {
        if (date[i] != '%') {
            if (fieldSeen && !separatorSeen) {
                fs.DateSeparator = CharacterAt(date, i);
                separatorSeen = true;
            }
            AppendLiteral(pattern, date[i++]);
            continue;
        }
        const Conversion conv = ParseConversion(date, i);
        i = conv.end;
        switch (conv.letter) {
        case 'd':
            pattern += conv.noZero ? "d" : "dd";
            fieldSeen = true;
            break;
        case 'e':
            pattern += "d";
            fieldSeen = true;
            break;
        case 'm':
            pattern += conv.noZero ? "m" : "mm";
            fieldSeen = true;
            break;
        case 'y':
            pattern += "yy";
            fieldSeen = true;
            break;
        case 'Y':
            pattern += "yyyy";
            fieldSeen = true;
            break;
        case '%':
            pattern += '%';
            break;
        default:
            break; // names of days and months: not in a short date
        }
    }
    fs.ShortDateFormat = pattern;
}

// The time separator and the time formats of a T_FMT.
void ReadTimeFormat(FormatSettings& fs, const std::string& timeFormat) {
    const std::string time = ExpandCompound(timeFormat);
    bool twelveHour = false, leadingZero = true, hourSeen = false, markerFirst = false;
    bool timeSeparatorSeen = false;
    fs.TimeSeparator = ":";
    for (std::size_t i = 0; i < time.size();) {
        if (time[i] != '%') {
            if (hourSeen && !timeSeparatorSeen && time[i] != ' ') {
                fs.TimeSeparator = CharacterAt(time, i);
                timeSeparatorSeen = true;
            }
            ++i;
            continue;
        }
        const Conversion conv = ParseConversion(time, i);
        i = conv.end;
        switch (conv.letter) {
        case 'H':
            leadingZero = !conv.noZero;
            hourSeen = true;
            break;
        case 'k':
            leadingZero = false;
            hourSeen = true;
            break;
        case 'I':
            twelveHour = true;
            leadingZero = !conv.noZero;
            hourSeen = true;
            break;
        case 'l':
            twelveHour = true;
            leadingZero = false;
            hourSeen = true;
            break;
        case 'p':
        case 'P':
            twelveHour = true;
            markerFirst = !hourSeen;
            break;
        default:
            break;
        }
    }
    BuildTimeFormats(fs, twelveHour, leadingZero, markerFirst);
}

} // namespace

FormatSettings FormatSettingsFromLanginfo(const std::string& dateFormat,
                                          const std::string& timeFormat,
                                          const std::string& amString,
                                          const std::string& pmString) {
    FormatSettings fs;
    fs.TimeAMString = amString;
    fs.TimePMString = pmString;
    ReadDateFormat(fs, dateFormat);
    ReadTimeFormat(fs, timeFormat);
    return fs;
}

FormatSettings FormatSettingsFromLocaleInfo(const WindowsLocaleInfo& info) {
    FormatSettings fs;
    if (!info.sDate.empty())
        fs.DateSeparator = info.sDate;
    if (!info.sShortDate.empty())
        fs.ShortDateFormat = info.sShortDate;
    fs.TimeSeparator = info.sTime.empty() ? ":" : info.sTime;
    fs.TimeAMString = info.s1159;
    fs.TimePMString = info.s2359;
    BuildTimeFormats(fs, info.iTime != "1", info.iTLZero == "1", info.iTimeMarkPosn == "1");
    return fs;
}

} // namespace sonterra
