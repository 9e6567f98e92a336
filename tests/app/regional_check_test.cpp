// The start-up check of the regional formats: which boxes, in which order,
// with which words, for each kind of regional setting.

#include "app/regional_check.h"
#include "core/application.h"
#include "core/regional_formats.h"
#include "tests/support/box_recorder.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

namespace sonterra {
namespace {

using test::BoxRecorder;
using test::ScopedFormatSettings;

// The boxes send the operator to the Control Panel on Windows; on Linux to
// the program's own command, which starts it with Brazil's formats.
const bool kWindows = std::string(test::ExecutableSuffix()) == ".exe";
const std::string kSystem = kWindows ? "Windows" : "Linux";
const std::string kPainel =
    kWindows ? "Entre no Painel de controle (Windows) - (configurações Regionais)"
             : "No Linux, use os formatos do Brasil (LC_TIME=pt_BR.UTF-8): abra o Sonterra pelo "
               "menu ou pelo comando sonterra";

std::string Message1(const std::string& shortTime) {
    return "Formato de Hora Inválido:" + shortTime + "\r" + kPainel +
           "\rAltere o formato de Hora para: HH:mm:ss";
}
std::string Message2(const std::string& shortDate) {
    return "Formato de Data Inválido:" + shortDate + "\r" + kPainel +
           "\rAltere o formato de DATA para: dd/MM/aaaa";
}
const std::string kMessage3 = "O Formato de HORA Padrão do " + kSystem +
                              " está em modo incompatível com o sistema Quorvel\r\rCONSULTE "
                              "QUORVEL SISTEMAS";
std::string Message4(const std::string& shortTime) {
    return "FORMATO DE HORA ATUAL: " + shortTime + "\rPARA ALTERAR O FORMATO DO HORA:\r" + kPainel +
           "\rAltere o formato de HORA para: HH:mm:ss";
}
const std::string kMessage5 = "O Formato de DATA Padrão do " + kSystem +
                              " está em modo incompatível com o sistema Quorvel\r\rCONSULTE "
                              "QUORVEL SISTEMAS";
std::string Message6(const std::string& shortDate) {
    return "FORMATO DE DATA ATUAL: " + shortDate + "\rPARA SE TORNAR COMPATÍVEL:\r" + kPainel +
           "\rAltere o formato de DATA para: dd/MM/aaaa";
}

// Which of the six messages the check showed, by comparing each text.
std::vector<int> BoxNumbers(const std::vector<MessageBoxRequest>& boxes, const FormatSettings& fs) {
    const std::string texts[6] = {Message1(fs.ShortTimeFormat),
                                  Message2(fs.ShortDateFormat),
                                  kMessage3,
                                  Message4(fs.ShortTimeFormat),
                                  kMessage5,
                                  Message6(fs.ShortDateFormat)};
    std::vector<int> numbers;
    for (const MessageBoxRequest& box : boxes) {
        int number = 0;
        for (int i = 0; i < 6; ++i)
            if (box.text == texts[i])
                number = i + 1;
        numbers.push_back(number); // 0: a text that matches none
    }
    return numbers;
}

struct CheckRun {
    bool result;
    std::vector<int> boxes;
    std::vector<MessageBoxRequest> requests;
};

CheckRun RunCheck(const FormatSettings& fs) {
    ScopedFormatSettings scoped(fs);
    BoxRecorder recorder;
    const bool result = CheckRegionalFormats();
    return {result, BoxNumbers(recorder.boxes, fs), recorder.boxes};
}

FormatSettings Langinfo(const std::string& date, const std::string& time,
                        const std::string& am = "", const std::string& pm = "") {
    return FormatSettingsFromLanginfo(date, time, am, pm);
}

TEST(RegionalCheck, DayMonthYearOn24HourClockPasses) {
    const CheckRun run = RunCheck(Langinfo("%d/%m/%Y", "%T"));
    EXPECT_TRUE(run.result);
    EXPECT_TRUE(run.boxes.empty());
}

TEST(RegionalCheck, MonthDayYearPassesToo) {
    const CheckRun run = RunCheck(Langinfo("%m/%d/%Y", "%H:%M:%S"));
    EXPECT_TRUE(run.result);
    EXPECT_TRUE(run.boxes.empty());
}

TEST(RegionalCheck, FullStopTimeSeparatorGivesBoxes134) {
    const CheckRun run = RunCheck(Langinfo("%d/%m/%Y", "%H.%M.%S"));
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.boxes, (std::vector<int>{1, 3, 4}));
}

TEST(RegionalCheck, HoursWithoutLeadingZeroGiveBoxes34) {
    for (const char* time : {"%k:%M:%S", "%-H:%M:%S"}) {
        const CheckRun run = RunCheck(Langinfo("%d/%m/%Y", time));
        EXPECT_FALSE(run.result) << time;
        EXPECT_EQ(run.boxes, (std::vector<int>{3, 4})) << time;
    }
}

TEST(RegionalCheck, TwelveHourClockGivesBoxes34) {
    const CheckRun suffix = RunCheck(Langinfo("%d/%m/%Y", "%r", "AM", "PM"));
    EXPECT_FALSE(suffix.result);
    EXPECT_EQ(suffix.boxes, (std::vector<int>{3, 4}));
    const CheckRun prefix = RunCheck(Langinfo("%d/%m/%Y", "%p %I:%M:%S", "AM", "PM"));
    EXPECT_EQ(prefix.boxes, (std::vector<int>{3, 4}));
}

TEST(RegionalCheck, HyphenDateSeparatorGivesBoxes256) {
    const CheckRun run = RunCheck(Langinfo("%d-%m-%Y", "%T"));
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.boxes, (std::vector<int>{2, 5, 6}));
}

TEST(RegionalCheck, ShortFieldsGiveBoxes56) {
    for (const char* date : {"%e/%m/%Y", "%d/%-m/%Y", "%d/%m/%y", "%D"}) {
        const CheckRun run = RunCheck(Langinfo(date, "%T"));
        EXPECT_FALSE(run.result) << date;
        EXPECT_EQ(run.boxes, (std::vector<int>{5, 6})) << date;
    }
}

TEST(RegionalCheck, YearFirstGivesBoxes256) {
    const CheckRun slash = RunCheck(Langinfo("%Y/%m/%d", "%T"));
    EXPECT_FALSE(slash.result);
    EXPECT_EQ(slash.boxes, (std::vector<int>{2, 5, 6}));
    const CheckRun iso = RunCheck(Langinfo("%F", "%T"));
    EXPECT_EQ(iso.boxes, (std::vector<int>{2, 5, 6}));
}

TEST(RegionalCheck, EverythingWrongGivesAllSixInOrder) {
    const CheckRun run = RunCheck(Langinfo("%Y-%m-%d", "%l.%M.%S %p", "am", "pm"));
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.boxes, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(RegionalCheck, WindowsStyleSettingsGiveTheSameVerdicts) {
    WindowsLocaleInfo brazil{"/", "dd/MM/yyyy", ":", "1", "1", "", "", "0"};
    EXPECT_TRUE(RunCheck(FormatSettingsFromLocaleInfo(brazil)).boxes.empty());
    WindowsLocaleInfo us{"/", "M/d/yyyy", ":", "0", "0", "AM", "PM", "0"};
    EXPECT_EQ(RunCheck(FormatSettingsFromLocaleInfo(us)).boxes, (std::vector<int>{3, 4, 5, 6}));
}

TEST(RegionalCheckMessages, ExactTextsAndPlainOkBoxesUnderTheProgramTitle) {
    const FormatSettings fs = Langinfo("%Y-%m-%d", "%l.%M.%S %p", "am", "pm");
    ASSERT_EQ(fs.ShortTimeFormat, "h:mm AMPM");
    ASSERT_EQ(fs.ShortDateFormat, "yyyy-mm-dd");
    const CheckRun run = RunCheck(fs);
    ASSERT_EQ(run.requests.size(), 6u);
    EXPECT_EQ(run.requests[0].text, "Formato de Hora Inválido:h:mm AMPM\r" + kPainel +
                                        "\rAltere o formato de Hora para: HH:mm:ss");
    EXPECT_EQ(run.requests[1].text, "Formato de Data Inválido:yyyy-mm-dd\r" + kPainel +
                                        "\rAltere o formato de DATA para: dd/MM/aaaa");
    EXPECT_EQ(run.requests[2].text, "O Formato de HORA Padrão do " + kSystem +
                                        " está em modo incompatível com o sistema "
                                        "Quorvel\r\rCONSULTE QUORVEL SISTEMAS");
    EXPECT_EQ(run.requests[3].text,
              "FORMATO DE HORA ATUAL: h:mm AMPM\rPARA ALTERAR O FORMATO DO HORA:\r" + kPainel +
                  "\rAltere o formato de HORA para: HH:mm:ss");
    EXPECT_EQ(run.requests[4].text, "O Formato de DATA Padrão do " + kSystem +
                                        " está em modo incompatível com o sistema "
                                        "Quorvel\r\rCONSULTE QUORVEL SISTEMAS");
    EXPECT_EQ(run.requests[5].text,
              "FORMATO DE DATA ATUAL: yyyy-mm-dd\rPARA SE TORNAR COMPATÍVEL:\r" + kPainel +
                  "\rAltere o formato de DATA para: dd/MM/aaaa");
    for (const MessageBoxRequest& box : run.requests) {
        EXPECT_EQ(box.caption, ApplicationTitle());
        EXPECT_EQ(box.icon, BoxIcon::None);
        EXPECT_EQ(box.buttons, BoxButtons::Ok);
        EXPECT_FALSE(box.beep);
        EXPECT_EQ(box.text.find('\n'), std::string::npos);
    }
}

TEST(RegionalCheckMessages, CaptionIsTheProgramNameBeforeStartUpRetitlesIt) {
    const std::string saved = ProgramFileName();
    SetProgramFileNameForTesting("/opt/escola/SONTERRA.bin");
    const CheckRun run = RunCheck(Langinfo("%d-%m-%Y", "%T"));
    SetProgramFileNameForTesting(saved);
    ASSERT_FALSE(run.requests.empty());
    for (const MessageBoxRequest& box : run.requests)
        EXPECT_EQ(box.caption, "Sonterra");
}

// The check as start-up runs it, in a fresh process (sonterra-formats, which
// prints each box as "[caption]" and its text) after the user's regional
// formats were set in the system: on Windows the values under
// HKCU\Control Panel\International, on Linux the LC_TIME of an installed
// locale that gives the same formats (some cases have none).
struct SystemCase {
    const char* name;
    test::RegionalFormats formats;
    std::vector<int> boxes;
};

void PrintTo(const SystemCase& c, std::ostream* out) {
    *out << c.name;
}

// Box numbers in the order shown, told apart by their first words.
std::vector<int> PrintedBoxes(const std::string& output, const std::string& caption) {
    const std::string header = "[" + caption + "]\n";
    const char* const starts[6] = {
        "Formato de Hora Inválido:", "Formato de Data Inválido:", "O Formato de HORA Padrão",
        "FORMATO DE HORA ATUAL: ",   "O Formato de DATA Padrão",  "FORMATO DE DATA ATUAL: "};
    std::vector<int> numbers;
    for (std::size_t at = output.find(header); at != std::string::npos;
         at = output.find(header, at + 1)) {
        int number = 0;
        for (int i = 0; i < 6; ++i)
            if (output.compare(at + header.size(), std::string(starts[i]).size(), starts[i]) == 0)
                number = i + 1;
        numbers.push_back(number);
    }
    return numbers;
}

class SystemRegionalFormats : public ::testing::TestWithParam<SystemCase> {};

TEST_P(SystemRegionalFormats, FreshProcessShowsTheBoxesOfItsCase) {
    const SystemCase& c = GetParam();
    test::ScopedRegionalFormats formats(c.formats);
    if (!formats.active())
        GTEST_SKIP() << c.name << ": no way to set these formats here (Linux: no such locale)";
    const std::string program = ProgramFolder() + "sonterra-formats" + test::ExecutableSuffix();
    const test::ProgramRun run = test::RunProgram(program);
    EXPECT_EQ(run.exitCode, c.boxes.empty() ? 0 : 1) << run.output;
    EXPECT_EQ(PrintedBoxes(run.output, "Sonterra-formats"), c.boxes) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SystemRegionalFormats,
    ::testing::Values(
        SystemCase{
            "ptBR", {"dd/MM/yyyy", "/", ":", "1", "1", "", "", "HH:mm:ss", "pt_BR.UTF-8"}, {}},
        SystemCase{
            "enUS", {"M/d/yyyy", "/", ":", "0", "0", "AM", "PM", "h:mm:ss tt", ""}, {3, 4, 5, 6}},
        SystemCase{"enUSTwoDigitFields",
                   {"MM/dd/yyyy", "/", ":", "0", "0", "AM", "PM", "h:mm:ss tt", "en_US.UTF-8"},
                   {3, 4}},
        SystemCase{"deDE", {"dd.MM.yyyy", ".", ":", "1", "1", "", "", "HH:mm:ss", ""}, {2, 5, 6}},
        SystemCase{"ISO", {"yyyy-MM-dd", "-", ":", "1", "1", "", "", "HH:mm:ss", ""}, {2, 5, 6}},
        SystemCase{"TwoDigitYear",
                   {"MM/dd/yy", "/", ":", "1", "1", "", "", "HH:mm:ss", "C.UTF-8"},
                   {5, 6}},
        SystemCase{"AllWrong",
                   {"yyyy-MM-dd", "-", ".", "0", "0", "am", "pm", "h.mm.ss tt", ""},
                   {1, 2, 3, 4, 5, 6}}),
    [](const ::testing::TestParamInfo<SystemCase>& c) { return std::string(c.param.name); });

} // namespace
} // namespace sonterra
