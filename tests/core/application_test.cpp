// The program's file, folder and title; the message-box hook; the weekday.

#include "core/application.h"
#include "core/application_platform.h"
#include "core/clock.h"
#include "core/message_box.h"
#include "tests/support/box_recorder.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <functional>

namespace sonterra {
namespace {

TEST(ProgramFile, IsThisExecutableAndItsFolderEndsWithSeparator) {
    const std::string file = ProgramFileName();
    ASSERT_FALSE(file.empty());
    EXPECT_TRUE(test::IsThisExecutable(file)) << file;
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), test::PathSeparator()[0]);
    EXPECT_EQ(file.substr(0, folder.size()), folder);
    EXPECT_EQ(file.substr(folder.size()), std::string("core_tests") + test::ExecutableSuffix());
}

TEST(ProgramFile, TestsCanMoveTheProgram) {
    const std::string saved = ProgramFileName();
    SetProgramFileNameForTesting("/tmp/escola sul/Sonterra/sonterra");
    EXPECT_EQ(ProgramFolder(), "/tmp/escola sul/Sonterra/");
    EXPECT_EQ(ApplicationTitle(), "Sonterra");
    SetProgramFileNameForTesting(saved);
    EXPECT_EQ(ProgramFileName(), saved);
}

TEST(ApplicationTitle, NameUpToFirstFullStopFirstLetterKept) {
    EXPECT_EQ(TitleFromProgramFileName("/x/sonterra"), "Sonterra");
    EXPECT_EQ(TitleFromProgramFileName("/x/SONTERRA.EXE"), "Sonterra");
    EXPECT_EQ(TitleFromProgramFileName("/x.y/sonTerra.v2.bin"), "Sonterra");
    EXPECT_EQ(TitleFromProgramFileName("app_tests"), "App_tests");
    EXPECT_EQ(TitleFromProgramFileName("/x/ÉSCOLA"), "Éscola");
}

// In a child process: once set, the title stays for the rest of the run.
TEST(ApplicationTitle, SetTitleReplacesTheDerivedOne) {
    EXPECT_EXIT(
        {
            SetApplicationTitle("Quorvel - Sonterra");
            SetProgramFileNameForTesting("/tmp/outro/programa");
            std::exit(ApplicationTitle() == "Quorvel - Sonterra" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ApplicationTerminate, StaysRequestedOnceAsked) {
    EXPECT_FALSE(ApplicationTerminateRequested());
    RequestApplicationTerminate();
    EXPECT_TRUE(ApplicationTerminateRequested());
    EXPECT_TRUE(ApplicationTerminateRequested());
}

TEST(MessageBoxHook, ShowMessageIsAPlainOkBoxUnderTheTitle) {
    test::BoxRecorder recorder(BoxResult::Cancel);
    ShowMessage("Arquivo não encontrado\rC:/sons/sino.mp3");
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].caption, ApplicationTitle());
    EXPECT_EQ(recorder.boxes[0].text, "Arquivo não encontrado\rC:/sons/sino.mp3");
    EXPECT_EQ(recorder.boxes[0].icon, BoxIcon::None);
    EXPECT_EQ(recorder.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_FALSE(recorder.boxes[0].beep);
}

TEST(MessageBoxHook, HandlersNestAndTheDefaultAnswersOkOnStandardError) {
    const test::ScopedMessageBoxHandler none(nullptr);
    testing::internal::CaptureStderr();
    MessageBoxRequest request;
    request.caption = "Título";
    request.text = "linha 1\rlinha 2";
    request.buttons = BoxButtons::OkCancel;
    EXPECT_EQ(showMessageBox(request), BoxResult::Ok);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Título"), std::string::npos);
    EXPECT_NE(err.find("linha 1\nlinha 2"), std::string::npos);

    int outerCalls = 0;
    setMessageBoxHandler([&](const MessageBoxRequest&) {
        ++outerCalls;
        return BoxResult::Cancel;
    });
    {
        test::BoxRecorder inner;
        EXPECT_EQ(showMessageBox(request), BoxResult::Ok);
        EXPECT_EQ(inner.boxes.size(), 1u);
    }
    EXPECT_EQ(showMessageBox(request), BoxResult::Cancel);
    EXPECT_EQ(outerCalls, 1);
}

TEST(MessageBoxHook, BoxesAfterwardsWaitForTheScopeAndNeverPileUp) {
    std::vector<std::string> shown;
    const auto text = [](const std::string& t) {
        MessageBoxRequest r;
        r.caption = "Sonterra";
        r.text = t;
        return r;
    };
    const test::ScopedMessageBoxHandler handler([&](const MessageBoxRequest& r) {
        shown.push_back(r.text);
        if (r.text == "pasta") { // while it is open a later tick raises it again
            const BoxesAfterwards tick;
            showMessageBox(text("pasta"));
            showMessageBox(text("outra"));
        }
        return BoxResult::Cancel;
    });
    testing::internal::CaptureStderr();
    {
        const BoxesAfterwards tick;
        showMessageBox(text("pasta"));
        {
            const BoxesAfterwards nested;
            showMessageBox(text("pasta")); // already waiting
            MessageBoxRequest question = text("pergunta");
            question.buttons = BoxButtons::OkCancel; // its answer is needed now
            EXPECT_EQ(showMessageBox(question), BoxResult::Cancel);
        }
        EXPECT_EQ(shown, (std::vector<std::string>{"pergunta"}));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"pergunta", "pasta", "outra"}));
    {
        const BoxesAfterwards tick;
        for (int i = 0; i < kMaxBoxesAfterwards + 2; ++i)
            EXPECT_EQ(showMessageBox(text("erro " + std::to_string(i))), BoxResult::Ok);
    }
    const std::string err = testing::internal::GetCapturedStderr();

    std::vector<std::string> expected{"pergunta", "pasta", "outra"};
    for (int i = 0; i < kMaxBoxesAfterwards; ++i)
        expected.push_back("erro " + std::to_string(i));
    expected.back() += "\r\rMais 2 avisos não foram mostrados.";
    EXPECT_EQ(shown, expected);
    // Past the bound they go where a box goes with no window system.
    EXPECT_EQ(err.find("erro 7"), std::string::npos);
    EXPECT_NE(err.find("erro 8"), std::string::npos);
    EXPECT_NE(err.find("erro 9"), std::string::npos);
}

// The event loop of the GUI, as far as the boxes see it: posted tasks run
// when the loop turns, and a modal box turns it while it is open.
TEST(MessageBoxHook, BoxesOfOneScanOpenOneAfterAnotherInTheOrderRaised) {
    std::deque<std::function<void()>> loop;
    const auto turnLoop = [&] {
        while (!loop.empty()) {
            auto task = std::move(loop.front());
            loop.pop_front();
            task();
        }
    };
    const auto notice = [](const std::string& t) {
        MessageBoxRequest r;
        r.caption = "Sonterra";
        r.text = t;
        return r;
    };
    std::vector<std::string> shown;
    int open = 0, mostOpen = 0;
    const test::ScopedMessageBoxHandler handler([&](const MessageBoxRequest& r) {
        shown.push_back(r.text);
        mostOpen = std::max(mostOpen, ++open);
        if (r.text == "primeiro") { // a later tick raises one while it is open
            const BoxesAfterwards tick;
            showMessageBox(notice("quarto"));
        }
        turnLoop(); // the box's own modal loop
        --open;
        return BoxResult::Ok;
    });
    const test::ScopedBoxPoster poster(
        [&](std::function<void()> task) { loop.push_back(std::move(task)); });
    {
        const BoxesAfterwards tick;
        showMessageBox(notice("primeiro"));
        showMessageBox(notice("segundo"));
        showMessageBox(notice("terceiro"));
    }
    EXPECT_TRUE(shown.empty()); // nothing before the tick has returned
    turnLoop();
    EXPECT_EQ(shown, (std::vector<std::string>{"primeiro", "segundo", "terceiro", "quarto"}));
    EXPECT_EQ(mostOpen, 1);

    // The bound: the last box that opens says how many more there were.
    shown.clear();
    testing::internal::CaptureStderr();
    {
        const BoxesAfterwards tick;
        for (int i = 0; i < kMaxBoxesAfterwards + 1; ++i)
            showMessageBox(notice("erro " + std::to_string(i)));
    }
    turnLoop();
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(shown.size(), static_cast<size_t>(kMaxBoxesAfterwards));
    EXPECT_EQ(shown.back(), "erro 7\r\rMais 1 aviso não foi mostrado.");
    EXPECT_EQ(shown[6], "erro 6");
}

TEST(DayOfWeek, SundayIsOne) {
    DateTime dt;
    EXPECT_EQ(DayOfWeek(dt), 7); // 30 December 1899 was a Saturday
    dt.year = 2026;
    dt.month = 12;
    dt.day = 6;
    EXPECT_EQ(DayOfWeek(dt), 1);
    dt.day = 7;
    EXPECT_EQ(DayOfWeek(dt), 2);
    dt.year = 2024;
    dt.month = 2;
    dt.day = 29;
    EXPECT_EQ(DayOfWeek(dt), 5); // a Thursday
}

TEST(SystemClock, GivesAPlausibleLocalTime) {
    const DateTime now = SystemClock().Now();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_LE(now.hour, 23);
    EXPECT_LE(now.second, 59);
    EXPECT_LE(now.millisecond, 999);
}

} // namespace
} // namespace sonterra
