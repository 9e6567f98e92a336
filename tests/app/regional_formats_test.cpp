// What the system's regional answers turn into: separators, the short date
// pattern and the time formats built from the clock's shape.

#include "app/regional_formats.h"

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
    const FormatSettings fs = FormatSettingsFromLanginfo("%Y年%m月%d日", "%H時%M分%S秒", "", "");
    EXPECT_EQ(fs.ShortDateFormat, "yyyy年mm月dd日");
    EXPECT_EQ(fs.DateSeparator, "年");
    EXPECT_EQ(fs.TimeSeparator, "時");
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
