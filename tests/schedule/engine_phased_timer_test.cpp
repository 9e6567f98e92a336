// Timer1 phased to the wall clock: the delay to the next half second, and a
// real run under an event loop.

#include "schedule/phased_timer.h"

#include "core/clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace sonterra {
namespace {

DateTime AtMs(int second, int ms) {
    DateTime dt;
    dt.hour = 7;
    dt.minute = 29;
    dt.second = second;
    dt.millisecond = ms;
    return dt;
}

TEST(PhasedDelay, AimsJustPastTheNextHalfSecond) {
    EXPECT_EQ(PhasedDelayMs(AtMs(59, 900)), 100 + kPhaseMarginMs);
    EXPECT_EQ(PhasedDelayMs(AtMs(59, 0)), 500 + kPhaseMarginMs);
    EXPECT_EQ(PhasedDelayMs(AtMs(59, 499)), 1 + kPhaseMarginMs);
    EXPECT_EQ(PhasedDelayMs(AtMs(59, 500)), 500 + kPhaseMarginMs);
    EXPECT_EQ(PhasedDelayMs(AtMs(59, 501)), 499 + kPhaseMarginMs);
    EXPECT_EQ(PhasedDelayMs(AtMs(59, 999)), 1 + kPhaseMarginMs);
    EXPECT_EQ(PhasedDelayMs(AtMs(0, 250), 5), 255);
}

TEST(PhasedDelay, FiringOnTimeGivesAFullHalfSecondNext) {
    // A tick that ran at the margin past a boundary waits one half second.
    EXPECT_EQ(PhasedDelayMs(AtMs(0, kPhaseMarginMs)), 500);
    EXPECT_EQ(PhasedDelayMs(AtMs(0, 500 + kPhaseMarginMs)), 500);
    EXPECT_GT(kPhaseMarginMs, 0);
    EXPECT_LE(kPhaseMarginMs, 5);
}

struct Tick {
    qint64 elapsedMs;
    int wallMs;
};

// Runs the event loop for runMs and returns the ticks seen.
std::vector<Tick> RunFor(TickTimer& timer, int runMs) {
    std::vector<Tick> ticks;
    QElapsedTimer elapsed;
    elapsed.start();
    timer.OnTimer = [&] { ticks.push_back({elapsed.elapsed(), SystemClock().Now().millisecond}); };
    QTimer quit;
    quit.setSingleShot(true);
    QObject::connect(&quit, &QTimer::timeout, &quit, [] { QCoreApplication::quit(); });
    quit.start(runMs);
    QCoreApplication::exec();
    timer.OnTimer = nullptr;
    return ticks;
}

TEST(PhasedTimer, TicksJustAfterEachHalfSecondOfTheWallClock) {
    int argc = 1;
    char name[] = "schedule_phased_timer_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    auto timer = MakePhasedTimer(SystemClock());
    EXPECT_FALSE(timer->Enabled());

    // Disabled: no ticks.
    EXPECT_TRUE(RunFor(*timer, 700).empty());

    timer->SetEnabled(true);
    timer->SetEnabled(true); // enabling twice arms once
    EXPECT_TRUE(timer->Enabled());
    const auto ticks = RunFor(*timer, 2600);

    // Five half seconds start in 2.6 s; a loaded machine may lose one.
    ASSERT_GE(ticks.size(), 4u);
    ASSERT_LE(ticks.size(), 6u);
    for (size_t i = 0; i < ticks.size(); ++i) {
        SCOPED_TRACE(i);
        // Generous bound for a busy machine; an unphased timer lands anywhere.
        EXPECT_LT(ticks[i].wallMs % 500, 150) << "tick at ." << ticks[i].wallMs;
        if (i > 0) {
            EXPECT_GT(ticks[i].elapsedMs - ticks[i - 1].elapsedMs, 300);
        }
    }

    timer->SetEnabled(false);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_TRUE(RunFor(*timer, 700).empty());
}

} // namespace
} // namespace sonterra
