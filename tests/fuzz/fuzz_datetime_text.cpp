// Times and dates as text under any regional settings the platform layers can
// build (from nl_langinfo's strings or from GetLocaleInfo's answers): the
// start-up check says no exactly when it shows a box, readers never give a
// field out of range, and wherever the check passes every time and date comes
// back from its text, times as the "HH:MM:SS" the schedule keys on.

#include "app/regional_check.h"
#include "core/datetime_text.h"
#include "core/format_settings.h"
#include "core/message_box.h"
#include "core/regional_formats.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

using namespace sonterra;

namespace {

int boxes = 0;

bool Leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysIn(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && Leap(y) ? 29 : days[m - 1];
}

std::string TwoDigits(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

// One run each of d, m and y (any case) outside quotes, and no other pattern
// letter.
bool OneRunEach(const std::string& pattern) {
    std::string runs;
    char quote = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (std::string("hnsmdyz").find(c) != std::string::npos ||
                   pattern.compare(i, 2, "am") == 0 || pattern.compare(i, 2, "AM") == 0) {
            if (runs.empty() || runs.back() != c || i == 0 ||
                std::tolower(static_cast<unsigned char>(pattern[i - 1])) != c)
                runs += c;
        }
    }
    std::string sorted = runs;
    std::sort(sorted.begin(), sorted.end());
    return sorted == "dmy";
}

// A finding names the settings and the moment it was found with.
void Describe(const FormatSettings& fs, const DateTime& dt) {
    std::fprintf(stderr,
                 "settings: date \"%s\" sep \"%s\", time \"%s\"/\"%s\" sep \"%s\", AM \"%s\" PM "
                 "\"%s\"; moment %04d-%02d-%02d %02d:%02d:%02d\n",
                 fs.ShortDateFormat.c_str(), fs.DateSeparator.c_str(), fs.ShortTimeFormat.c_str(),
                 fs.LongTimeFormat.c_str(), fs.TimeSeparator.c_str(), fs.TimeAMString.c_str(),
                 fs.TimePMString.c_str(), dt.year, dt.month, dt.day, dt.hour, dt.minute, dt.second);
}

#define CHECK_ROUND_TRIP(condition)                                                                \
    do {                                                                                           \
        if (!(condition))                                                                          \
            Describe(fs, dt);                                                                      \
        FUZZ_CHECK(condition);                                                                     \
    } while (0)

FormatSettings Settings(FuzzedDataProvider& in) {
    auto text = [&in] { return in.ConsumeRandomLengthString(24); };
    if (in.ConsumeBool()) {
        const std::string dateFormat = text(), timeFormat = text(), am = text(), pm = text();
        return FormatSettingsFromLanginfo(dateFormat, timeFormat, am, pm);
    }
    WindowsLocaleInfo info;
    for (std::string* field : {&info.sDate, &info.sShortDate, &info.sTime, &info.iTime,
                               &info.iTLZero, &info.s1159, &info.s2359, &info.iTimeMarkPosn})
        *field = text();
    return FormatSettingsFromLocaleInfo(info);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setMessageBoxHandler([](const MessageBoxRequest&) {
        ++boxes;
        return BoxResult::Ok;
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const FormatSettings fs = Settings(in);
    DateTime dt;
    dt.hour = in.ConsumeIntegralInRange(0, 23);
    dt.minute = in.ConsumeIntegralInRange(0, 59);
    dt.second = in.ConsumeIntegralInRange(0, 59);
    dt.year = in.ConsumeIntegralInRange(1, 9999);
    dt.month = in.ConsumeIntegralInRange(1, 12);
    dt.day = in.ConsumeIntegralInRange(1, DaysIn(dt.year, dt.month));
    const std::string text = in.ConsumeRemainingBytesAsString();

    CurrentFormatSettings() = fs;
    boxes = 0;
    const bool passed = CheckRegionalFormats();
    FUZZ_CHECK(passed == (boxes == 0));

    if (const auto time = TextToTime(text, fs)) {
        FUZZ_CHECK(time->hour >= 0 && time->hour <= 23);
        FUZZ_CHECK(time->minute >= 0 && time->minute <= 59);
        FUZZ_CHECK(time->second >= 0 && time->second <= 59);
    }
    if (const auto date = TextToDate(text, fs)) {
        FUZZ_CHECK(date->year >= 1 && date->year <= 9999);
        FUZZ_CHECK(date->month >= 1 && date->month <= 12);
        FUZZ_CHECK(date->day >= 1 && date->day <= DaysIn(date->year, date->month));
    }
    if (!passed)
        return 0;

    const std::string time = TimeToText(dt, fs);
    CHECK_ROUND_TRIP(time ==
                     TwoDigits(dt.hour) + ":" + TwoDigits(dt.minute) + ":" + TwoDigits(dt.second));
    CHECK_ROUND_TRIP(TimeOfDayKey(dt, fs) == time.substr(0, 5));
    // The reader looks for a marker before the hour, as the program always
    // has: a marker that starts like a time ("1", " ", ":") is read as one.
    const auto startsLikeTime = [&fs](const std::string& marker) {
        return !marker.empty() && (std::isdigit(static_cast<unsigned char>(marker[0])) ||
                                   marker[0] == ' ' || marker[0] == fs.TimeSeparator[0]);
    };
    if (startsLikeTime(fs.TimeAMString) || startsLikeTime(fs.TimePMString))
        return 0;
    const auto timeBack = TextToTime(time, fs);
    CHECK_ROUND_TRIP(timeBack && timeBack->hour == dt.hour && timeBack->minute == dt.minute &&
                     timeBack->second == dt.second);

    // The check reads one date only; a pattern without one field each of day,
    // month and year (as literal digits would be) shows that date whatever
    // the day, so only dates in patterns with all three must come back.
    if (!OneRunEach(fs.ShortDateFormat))
        return 0;
    const auto dateBack = TextToDate(DateToText(dt, fs), fs);
    CHECK_ROUND_TRIP(dateBack && dateBack->year == dt.year && dateBack->month == dt.month &&
                     dateBack->day == dt.day);
    return 0;
}
