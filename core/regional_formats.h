#pragma once
// Turns what the system says about the user's regional formats into our
// FormatSettings. Pure functions, so every regional variant can be tried
// without installing it; the platform files only gather the inputs.

#include "core/format_settings.h"

#include <string>

namespace sonterra {

// From nl_langinfo's D_FMT, T_FMT, AM_STR and PM_STR (strftime conversions).
FormatSettings FormatSettingsFromLanginfo(const std::string& dateFormat,
                                          const std::string& timeFormat,
                                          const std::string& amString, const std::string& pmString);

// From GetLocaleInfo's answers, each as the text the system gives.
struct WindowsLocaleInfo {
    std::string sDate;         // LOCALE_SDATE
    std::string sShortDate;    // LOCALE_SSHORTDATE
    std::string sTime;         // LOCALE_STIME
    std::string iTime;         // LOCALE_ITIME: "1" = 24-hour clock
    std::string iTLZero;       // LOCALE_ITLZERO: "1" = leading zero in hours
    std::string s1159;         // LOCALE_S1159
    std::string s2359;         // LOCALE_S2359
    std::string iTimeMarkPosn; // LOCALE_ITIMEMARKPOSN: "1" = marker first
};
FormatSettings FormatSettingsFromLocaleInfo(const WindowsLocaleInfo& info);

// Short and long time formats from the clock's shape.
void BuildTimeFormats(FormatSettings& fs, bool twelveHour, bool leadingZero, bool markerFirst);

} // namespace sonterra
