#include "core/format_settings.h"
#include "core/regional_formats.h"

#include <windows.h>

namespace sonterra {

namespace {

std::string LocaleText(LCTYPE type) {
    char buffer[128];
    const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n - 1)) : std::string();
}

} // namespace

FormatSettings ReadRegionalFormatSettings() {
    WindowsLocaleInfo info;
    info.sDate = LocaleText(LOCALE_SDATE);
    info.sShortDate = LocaleText(LOCALE_SSHORTDATE);
    info.sTime = LocaleText(LOCALE_STIME);
    info.iTime = LocaleText(LOCALE_ITIME);
    info.iTLZero = LocaleText(LOCALE_ITLZERO);
    info.s1159 = LocaleText(LOCALE_S1159);
    info.s2359 = LocaleText(LOCALE_S2359);
    info.iTimeMarkPosn = LocaleText(LOCALE_ITIMEMARKPOSN);
    return FormatSettingsFromLocaleInfo(info);
}

} // namespace sonterra
