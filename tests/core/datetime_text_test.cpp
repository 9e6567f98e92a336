// Our own formatter and reader of times and dates.

#include "core/datetime_text.h"

#include <gtest/gtest.h>

namespace sonterra {
namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    DateTime dt;
    dt.year = year;
    dt.month = month;
    dt.day = day;
    dt.hour = hour;
    dt.minute = minute;
    dt.second = second;
    return dt;
}

FormatSettings Brazil() {
    return FormatSettings{};
}

TEST(FormatDateTime, PatternLetters) {
    const FormatSettings fs = Brazil();
    const DateTime dt = At(2003, 1, 2, 7, 5, 9);
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", dt, fs), "02/01/2003");
    EXPECT_EQ(FormatDateTime("d/m/yy", dt, fs), "2/1/03");
    EXPECT_EQ(FormatDateTime("hh:mm:ss", dt, fs), "07:05:09");
    EXPECT_EQ(FormatDateTime("h:n:s", dt, fs), "7:5:9");
    EXPECT_EQ(FormatDateTime("HH:MM", dt, fs), "07:05");
    EXPECT_EQ(FormatDateTime("DD/MM/YYYY", dt, fs), "02/01/2003");
    EXPECT_EQ(FormatDateTime("hh\"h\"nn'm'", dt, fs), "07h05m");
}

TEST(FormatDateTime, SeparatorsStandForTheSettings) {
    FormatSettings fs;
    fs.DateSeparator = "-";
    fs.TimeSeparator = ".";
    const DateTime dt = At(2003, 1, 1, 13, 30, 0);
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", dt, fs), "01-01-2003");
    EXPECT_EQ(FormatDateTime("hh:mm:ss", dt, fs), "13.30.00");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", dt, fs), "01.01.2003");
}

TEST(FormatDateTime, MarkerTurnsHoursToTwelveHourClock) {
    FormatSettings fs;
    fs.TimeAMString = "AM";
    fs.TimePMString = "PM";
    EXPECT_EQ(FormatDateTime("hh:mm:ss AMPM", At(1899, 12, 30, 0, 0, 0), fs), "12:00:00 AM");
    EXPECT_EQ(FormatDateTime("h:mm AMPM", At(1899, 12, 30, 13, 5, 0), fs), "1:05 PM");
    EXPECT_EQ(FormatDateTime("AMPM hh:mm", At(1899, 12, 30, 12, 0, 0), fs), "PM 12:00");
    EXPECT_EQ(FormatDateTime("hh:mm", At(1899, 12, 30, 13, 0, 0), fs), "13:00");
}

TEST(TimeText, LongTimeFormatAndTheKey) {
    const FormatSettings fs = Brazil();
    EXPECT_EQ(TimeToText(At(2026, 12, 7, 7, 30, 59), fs), "07:30:59");
    EXPECT_EQ(TimeOfDayKey(At(2026, 12, 7, 7, 30, 59), fs), "07:30");
    EXPECT_EQ(TimeOfDayKey(At(2026, 12, 7, 23, 59, 59), fs), "23:59");
    EXPECT_EQ(TimeOfDayKey(At(2026, 12, 7, 0, 0, 0), fs), "00:00");
    EXPECT_EQ(DateToText(DateTime{}, fs), "30/12/1899");
}

TEST(TextToTime, ReadsWithTheSeparatorAndMarker) {
    FormatSettings fs;
    fs.TimeAMString = "da manhã";
    fs.TimePMString = "da tarde";
    EXPECT_EQ(TextToTime("00:00:00", fs), DateTime{});
    EXPECT_EQ(TextToTime("07:30", fs), At(1899, 12, 30, 7, 30));
    EXPECT_EQ(TextToTime(" 23:59:58 ", fs), At(1899, 12, 30, 23, 59, 58));
    EXPECT_EQ(TextToTime("1:05:00 da tarde", fs), At(1899, 12, 30, 13, 5));
    EXPECT_EQ(TextToTime("PM 12:00", fs), At(1899, 12, 30, 12, 0));
    EXPECT_EQ(TextToTime("12:00 AM", fs), At(1899, 12, 30, 0, 0));
}

TEST(TextToTime, RefusesWhatDoesNotFit) {
    const FormatSettings fs = Brazil();
    for (const char* text : {"", "00", "00.00.00", "24:00:00", "10:60", "10:00:60", "10:00:00x",
                             "13:00 PM", "10::00", "a0:00"})
        EXPECT_FALSE(TextToTime(text, fs).has_value()) << text;
    FormatSettings dot;
    dot.TimeSeparator = ".";
    EXPECT_FALSE(TextToTime("00:00:00", dot).has_value());
    EXPECT_TRUE(TextToTime("00.00.00", dot).has_value());
}

TEST(TextToDate, FieldOrderFromTheShortDatePattern) {
    FormatSettings fs;
    fs.ShortDateFormat = "dd/mm/yyyy";
    EXPECT_EQ(TextToDate("02/01/2003", fs), At(2003, 1, 2));
    fs.ShortDateFormat = "MM/dd/yyyy";
    EXPECT_EQ(TextToDate("02/01/2003", fs), At(2003, 2, 1));
    fs.ShortDateFormat = "yyyy/mm/dd";
    EXPECT_EQ(TextToDate("2003/02/01", fs), At(2003, 2, 1));
    EXPECT_FALSE(TextToDate("01/01/2003", fs).has_value()); // day 2003
    fs.ShortDateFormat = "ee/mm/dd";
    EXPECT_EQ(TextToDate("2003/02/01", fs), At(2003, 2, 1));
    fs.ShortDateFormat = ""; // none of the letters: month first
    EXPECT_EQ(TextToDate("02/01/2003", fs), At(2003, 2, 1));
}

TEST(TextToDate, RefusesWhatDoesNotFit) {
    const FormatSettings fs = Brazil();
    for (const char* text : {"", "01/01", "01-01-2003", "32/01/2003", "29/02/2003", "01/13/2003",
                             "01/01/2003x", "0/01/2003"})
        EXPECT_FALSE(TextToDate(text, fs).has_value()) << text;
    EXPECT_EQ(TextToDate("29/02/2004", fs), At(2004, 2, 29));
    FormatSettings hyphen;
    hyphen.DateSeparator = "-";
    EXPECT_FALSE(TextToDate("01/01/2003", hyphen).has_value());
    EXPECT_EQ(TextToDate("01-01-2003", hyphen), At(2003, 1, 1));
}

} // namespace
} // namespace sonterra
