#pragma once
// The process-wide date and time format settings, built from the user's
// regional settings by the platform layer (format_settings_posix.cpp or
// format_settings_windows.cpp). Plain C++, no Qt.

#include <string>

namespace sonterra {

struct FormatSettings {
    std::string DateSeparator = "/";
    std::string ShortDateFormat = "dd/mm/yyyy";
    std::string TimeSeparator = ":";
    std::string TimeAMString;
    std::string TimePMString;
    std::string ShortTimeFormat = "hh:mm";
    std::string LongTimeFormat = "hh:mm:ss";
};

// What the user's regional settings give now (platform layer).
FormatSettings ReadRegionalFormatSettings();

// The settings every conversion uses; read from the regional settings on first use.
FormatSettings& CurrentFormatSettings();

} // namespace sonterra
