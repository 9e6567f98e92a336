// What the system's regional answers turn into: separators, the short date
// pattern and the time formats built from the clock's shape.

#include "core/regional_formats.h"

#include <gtest/gtest.h>

namespace sonterra {
namespace {

TEST(LanginfoTranslation, BrazilianFormats) {
    const FormatSettings fs = FormatSettingsFromLanginfo("%d/%m/%Y", "%T", "", "");
    EXPECT_EQ(fs.DateSeparator, "/");
    EXPECT_EQ(fs.ShortDateFormat, "dd/mm/yyyy");
    EXPECT_EQ(fs.TimeSeparator, ":");
    EXPECT_EQ(fs.ShortTimeFormat, "hh:mm");
    EXPECT_EQ(fs.LongTimeFormat, "hh:mm:ss");
    EXPECT_EQ(fs.TimeAMString, "");
}

TEST(LanginfoTranslation, CompoundConversionsAreWrittenOut) {
    EXPECT_EQ(FormatSettingsFromLanginfo("%D", "%R", "", "").ShortDateFormat, "mm/dd/yy");
    EXPECT_EQ(FormatSettingsFromLanginfo("%D", "%R", "", "").LongTimeFormat, "hh:mm:ss");
    const FormatSettings iso = FormatSettingsFromLanginfo("%F", "%T", "", "");
    EXPECT_EQ(iso.ShortDateFormat, "yyyy-mm-dd");
    EXPECT_EQ(iso.DateSeparator, "-");
    const FormatSettings r = FormatSettingsFromLanginfo("%m/%d/%Y", "%r", "AM", "PM");
    EXPECT_EQ(r.ShortTimeFormat, "hh:mm AMPM");
    EXPECT_EQ(r.LongTimeFormat, "hh:mm:ss AMPM");
    EXPECT_EQ(r.TimeAMString, "AM");
    EXPECT_EQ(r.TimePMString, "PM");
}

TEST(LanginfoTranslation, HourShapes) {
    EXPECT_EQ(FormatSettingsFromLanginfo("%d/%m/%Y", "%k:%M:%S", "", "").LongTimeFormat, "h:mm:ss");
    EXPECT_EQ(FormatSettingsFromLanginfo("%d/%m/%Y", "%l:%M:%S %p", "", "").LongTimeFormat,
              "h:mm:ss AMPM");
    EXPECT_EQ(FormatSettingsFromLanginfo("%d/%m/%Y", "%p %I:%M:%S", "", "").LongTimeFormat,
              "AMPM hh:mm:ss");
    EXPECT_EQ(FormatSettingsFromLanginfo("%d/%m/%Y", "%OH:%OM:%OS", "", "").LongTimeFormat,
              "hh:mm:ss");
}

TEST(LanginfoTranslation, SeparatorsAreTheFirstBetweenFields) {
    const FormatSettings fs = FormatSettingsFromLanginfo("%d.%m.%Y", "%H.%M.%S", "", "");
    EXPECT_EQ(fs.DateSeparator, ".");
    EXPECT_EQ(fs.ShortDateFormat, "dd.mm.yyyy");
    EXPECT_EQ(fs.TimeSeparator, ".");
    // Time formats are built with ":", which stands for the separator.
    EXPECT_EQ(fs.LongTimeFormat, "hh:mm:ss");
}

TEST(LanginfoTranslation, LettersBetweenFieldsStayLiteral) {
    // UTF-8 spelt in bytes: a Windows build compiles its literals as Windows-1252.
    const std::string year = "\xE5\xB9\xB4", month = "\xE6\x9C\x88", day = "\xE6\x97\xA5";
    const std::string hour = "\xE6\x99\x82", minute = "\xE5\x88\x86", second = "\xE7\xA7\x92";
    const FormatSettings fs =
        FormatSettingsFromLanginfo("%Y" + year + "%m" + month + "%d" + day,
                                   "%H" + hour + "%M" + minute + "%S" + second, "", "");
    EXPECT_EQ(fs.ShortDateFormat, "yyyy" + year + "mm" + month + "dd" + day);
    EXPECT_EQ(fs.DateSeparator, year);
    EXPECT_EQ(fs.TimeSeparator, hour);
    const FormatSettings de = FormatSettingsFromLanginfo("%d de %m", "%T", "", "");
    EXPECT_EQ(de.ShortDateFormat, "dd \"d\"\"e\" mm");
}

TEST(LocaleInfoTranslation, ClockShapeFromTheFlags) {
    WindowsLocaleInfo info{"/", "dd/MM/yyyy", ":", "1", "1", "", "", "0"};
    FormatSettings fs = FormatSettingsFromLocaleInfo(info);
    EXPECT_EQ(fs.ShortDateFormat, "dd/MM/yyyy");
    EXPECT_EQ(fs.LongTimeFormat, "hh:mm:ss");
    EXPECT_EQ(fs.ShortTimeFormat, "hh:mm");

    info.iTLZero = "0";
    EXPECT_EQ(FormatSettingsFromLocaleInfo(info).LongTimeFormat, "h:mm:ss");
    info.iTime = "0";
    EXPECT_EQ(FormatSettingsFromLocaleInfo(info).LongTimeFormat, "h:mm:ss AMPM");
    info.iTimeMarkPosn = "1";
    EXPECT_EQ(FormatSettingsFromLocaleInfo(info).ShortTimeFormat, "AMPM h:mm");
}

TEST(LocaleInfoTranslation, EmptyTimeSeparatorMeansColon) {
    WindowsLocaleInfo info{"-", "dd-MM-yyyy", "", "1", "1", "", "", "0"};
    const FormatSettings fs = FormatSettingsFromLocaleInfo(info);
    EXPECT_EQ(fs.TimeSeparator, ":");
    EXPECT_EQ(fs.DateSeparator, "-");
}

} // namespace
} // namespace sonterra
