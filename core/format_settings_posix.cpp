#include "core/format_settings.h"
#include "core/regional_formats.h"

#include <clocale>
#include <langinfo.h>

namespace sonterra {

FormatSettings ReadRegionalFormatSettings() {
    // The user's LC_TIME stays in force for the rest of the run, as the
    // runtime's date and time settings do.
    std::setlocale(LC_TIME, "");
    const std::string dateFormat = nl_langinfo(D_FMT);
    const std::string timeFormat = nl_langinfo(T_FMT);
    const std::string am = nl_langinfo(AM_STR);
    const std::string pm = nl_langinfo(PM_STR);
    return FormatSettingsFromLanginfo(dateFormat, timeFormat, am, pm);
}

} // namespace sonterra
