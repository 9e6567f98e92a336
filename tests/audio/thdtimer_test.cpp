// TThreadedTimer: ticks waited for on the worker, run on the main thread.

#include "audio/ThdTimer.h"
#include "tests/audio/event_pump.h"

#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace sonterra {
namespace {

using namespace sonterra::test;

struct TickLog {
    std::vector<double> at; // ms since start
    SteadyClock::time_point start = SteadyClock::now();
    void restart() {
        at.clear();
        start = SteadyClock::now();
    }
    std::size_t count() const { return at.size(); }
};

TEST(ThreadedTimerLife, NeverEnabledNeverTicksAndDestroysCleanly) {
    int ticks = 0;
    {
        TThreadedTimer timer;
        timer.SetInterval(20);
        timer.OnTimer = [&](TThreadedTimer&) { ++ticks; };
        EXPECT_FALSE(timer.Enabled());
        EXPECT_EQ(timer.Interval(), 20);
        EXPECT_EQ(timer.ThreadPriority(), tpNormal);
        pumpFor(milliseconds(200));
    }
    EXPECT_EQ(ticks, 0);
}

TEST(ThreadedTimerLife, DefaultsAndOwnership) {
    auto parent = std::make_unique<QObject>();
    auto* timer = new TThreadedTimer(parent.get());
    EXPECT_EQ(timer->parent(), parent.get());
    EXPECT_EQ(timer->Interval(), 1000);
    EXPECT_FALSE(timer->Enabled());
    timer->SetInterval(20);
    timer->SetEnabled(true);
    pumpFor(milliseconds(60));
    parent.reset(); // frees the enabled timer and joins its worker
    pumpFor(milliseconds(60));
}

TEST(ThreadedTimerTicks, RunOnTheMainThreadWithTheTimerAsSender) {
    TThreadedTimer timer;
    std::vector<bool> onMain;
    std::vector<TThreadedTimer*> senders;
    timer.SetInterval(25);
    timer.OnTimer = [&](TThreadedTimer& sender) {
        onMain.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
        senders.push_back(&sender);
    };
    timer.SetEnabled(true);
    ASSERT_TRUE(pumpUntil([&] { return onMain.size() >= 4; }, milliseconds(3000)));
    for (bool b : onMain)
        EXPECT_TRUE(b);
    for (TThreadedTimer* s : senders)
        EXPECT_EQ(s, &timer);
}

TEST(ThreadedTimerTicks, FirstTickComesOneIntervalAfterEnabling) {
    TThreadedTimer timer;
    TickLog log;
    timer.SetInterval(300);
    timer.OnTimer = [&](TThreadedTimer&) { log.at.push_back(msSince(log.start)); };
    log.restart();
    timer.SetEnabled(true);
    ASSERT_TRUE(pumpUntil([&] { return log.count() >= 1; }, milliseconds(3000)));
    EXPECT_GE(log.at[0], 150.0);
}

TEST(ThreadedTimerTicks, TicksNeverQueueUpWhileTheMainThreadIsBusy) {
    TThreadedTimer timer;
    int ticks = 0;
    timer.SetInterval(10);
    timer.OnTimer = [&](TThreadedTimer&) { ++ticks; };
    timer.SetEnabled(true);
    // Thirty intervals pass without the main thread taking up a tick...
    std::this_thread::sleep_for(milliseconds(300));
    // ...and only the one the worker is blocked on is waiting.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    EXPECT_LE(ticks, 1);
    // And it goes on ticking afterwards.
    ASSERT_TRUE(pumpUntil([&] { return ticks >= 3; }, milliseconds(3000)));
}

TEST(ThreadedTimerTicks, TickArrivingAfterDisablingIsDropped) {
    TThreadedTimer timer;
    int ticks = 0;
    timer.SetInterval(10);
    timer.OnTimer = [&](TThreadedTimer&) { ++ticks; };
    timer.SetEnabled(true);
    std::this_thread::sleep_for(milliseconds(100)); // a tick is now pending
    timer.SetEnabled(false);
    pumpFor(milliseconds(150));
    EXPECT_EQ(ticks, 0);
}

TEST(ThreadedTimerEnabling, DisablingInsideOnTimerStopsTicksAndReenablingWaitsAnInterval) {
    TThreadedTimer timer;
    TickLog log;
    timer.SetInterval(200);
    timer.OnTimer = [&](TThreadedTimer& sender) {
        log.at.push_back(msSince(log.start));
        sender.SetEnabled(false);
    };
    timer.SetEnabled(true);
    ASSERT_TRUE(pumpUntil([&] { return log.count() == 1; }, milliseconds(3000)));
    EXPECT_FALSE(timer.Enabled());
    pumpFor(milliseconds(600));
    EXPECT_EQ(log.count(), 1u);

    log.restart();
    timer.SetEnabled(true);
    ASSERT_TRUE(pumpUntil([&] { return log.count() == 1; }, milliseconds(3000)));
    EXPECT_GE(log.at[0], 100.0) << "the first tick after re-enabling came at once";
}

TEST(ThreadedTimerEnabling, ReenablingInsideOnTimerRestartsTheInterval) {
    TThreadedTimer timer;
    TickLog log;
    timer.SetInterval(200);
    timer.OnTimer = [&](TThreadedTimer& sender) {
        log.at.push_back(msSince(log.start));
        sender.SetEnabled(false);
        sender.SetEnabled(true);
    };
    timer.SetEnabled(true);
    ASSERT_TRUE(pumpUntil([&] { return log.count() == 3; }, milliseconds(5000)));
    EXPECT_GE(log.at[1] - log.at[0], 100.0);
    EXPECT_GE(log.at[2] - log.at[1], 100.0);
}

TEST(ThreadedTimerEnabling, EnablingTwiceChangesNothing) {
    TThreadedTimer timer;
    TickLog log;
    timer.SetInterval(1000);
    timer.OnTimer = [&](TThreadedTimer&) { log.at.push_back(msSince(log.start)); };
    timer.SetEnabled(true);
    pumpFor(milliseconds(600));
    timer.SetEnabled(true); // equal value: the interval is not restarted
    ASSERT_TRUE(pumpUntil([&] { return log.count() == 1; }, milliseconds(3000)));
    EXPECT_LT(log.at[0], 1450.0);
}

TEST(ThreadedTimerInterval, ChangeWhileEnabledRestartsWithTheNewInterval) {
    TThreadedTimer timer;
    TickLog log;
    timer.SetInterval(5000);
    timer.OnTimer = [&](TThreadedTimer&) { log.at.push_back(msSince(log.start)); };
    timer.SetEnabled(true);
    pumpFor(milliseconds(200));
    log.restart();
    timer.SetInterval(100);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 100);
    ASSERT_TRUE(pumpUntil([&] { return log.count() >= 2; }, milliseconds(3000)));
    EXPECT_GE(log.at[0], 50.0);
}

TEST(ThreadedTimerInterval, ChangeWhileDisabledLeavesTheTimerDisabled) {
    TThreadedTimer timer;
    int ticks = 0;
    timer.OnTimer = [&](TThreadedTimer&) { ++ticks; };
    timer.SetInterval(20);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 20);
    pumpFor(milliseconds(200));
    EXPECT_EQ(ticks, 0);
}

TEST(ThreadedTimerInterval, EqualValueDoesNotRestartTheTiming) {
    TThreadedTimer timer;
    TickLog log;
    timer.SetInterval(1000);
    timer.OnTimer = [&](TThreadedTimer&) { log.at.push_back(msSince(log.start)); };
    timer.SetEnabled(true);
    pumpFor(milliseconds(600));
    timer.SetInterval(1000);
    ASSERT_TRUE(pumpUntil([&] { return log.count() == 1; }, milliseconds(3000)));
    EXPECT_LT(log.at[0], 1450.0);
}

TEST(ThreadedTimerInterval, ZeroIntervalCountsAsEnabledButNeverTicks) {
    TThreadedTimer timer;
    int ticks = 0;
    timer.OnTimer = [&](TThreadedTimer&) { ++ticks; };
    timer.SetInterval(0);
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    pumpFor(milliseconds(250));
    EXPECT_EQ(ticks, 0);

    // From running to zero: the worker parks.
    timer.SetInterval(20);
    ASSERT_TRUE(pumpUntil([&] { return ticks > 0; }, milliseconds(3000)));
    timer.SetInterval(0);
    pumpFor(milliseconds(100)); // a wait already under way may still end in a tick
    const int before = ticks;
    pumpFor(milliseconds(250));
    EXPECT_EQ(ticks, before);
    EXPECT_TRUE(timer.Enabled());
}

TEST(ThreadedTimerPriority, StoredAndTicksGoOnWhateverTheSystemAllows) {
    TThreadedTimer timer;
    int ticks = 0;
    timer.OnTimer = [&](TThreadedTimer&) { ++ticks; };
    timer.SetThreadPriority(tpIdle);
    EXPECT_EQ(timer.ThreadPriority(), tpIdle);
    timer.SetInterval(20);
    timer.SetEnabled(true);
    ASSERT_TRUE(pumpUntil([&] { return ticks >= 2; }, milliseconds(3000)));
    timer.SetThreadPriority(tpTimeCritical); // usually refused to a normal user
    EXPECT_EQ(timer.ThreadPriority(), tpTimeCritical);
    const int before = ticks;
    ASSERT_TRUE(pumpUntil([&] { return ticks >= before + 2; }, milliseconds(3000)));
}

TEST(ThreadedTimerDestruction, WhileATickWaitsForTheMainThread) {
    for (int round = 0; round < 20; ++round) {
        auto timer = std::make_unique<TThreadedTimer>();
        bool gone = false;
        int ticks = 0;
        int ticksAfterGone = 0;
        timer->SetInterval(5);
        timer->OnTimer = [&](TThreadedTimer&) {
            ++ticks;
            if (gone)
                ++ticksAfterGone;
        };
        timer->SetEnabled(true);
        // The main thread is busy: the worker blocks in its hand-over.
        std::this_thread::sleep_for(milliseconds(30 + round));
        timer.reset(); // must not hang
        gone = true;
        pumpFor(milliseconds(20));
        EXPECT_LE(ticks, 1) << "round " << round;
        EXPECT_EQ(ticksAfterGone, 0) << "round " << round;
    }
}

TEST(ThreadedTimerDestruction, WhileParkedAfterDisablingInsideOnTimer) {
    auto timer = std::make_unique<TThreadedTimer>();
    int ticks = 0;
    timer->SetInterval(10);
    timer->OnTimer = [&](TThreadedTimer& sender) {
        ++ticks;
        sender.SetEnabled(false);
    };
    timer->SetEnabled(true);
    ASSERT_TRUE(pumpUntil([&] { return ticks == 1; }, milliseconds(3000)));
    timer.reset();
    pumpFor(milliseconds(30));
    EXPECT_EQ(ticks, 1);
}

} // namespace
} // namespace sonterra
