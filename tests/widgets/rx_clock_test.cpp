#include "widgets/rx_clock.h"

#include "tests/support/fake_clock.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace sonterra {

using test::FakeClock;

// Monday 7 December 2026, 07:05:09.
constexpr DateTime kMorning{2026, 12, 7, 7, 5, 9, 0};

TEST(RxClock, ShowsTwentyFourHourTimeWithSecondsAndLeadingZeros) {
    FakeClock clock{kMorning};
    TRxClock display(clock);
    EXPECT_EQ(display.text(), QStringLiteral("07:05:09"));

    clock.set(23, 59, 59);
    display.refresh();
    EXPECT_EQ(display.text(), QStringLiteral("23:59:59"));

    clock.set(0, 0, 0);
    display.refresh();
    EXPECT_EQ(display.text(), QStringLiteral("00:00:00"));

    clock.set(13, 0, 5);
    display.refresh();
    EXPECT_EQ(display.text(), QStringLiteral("13:00:05"));
}

TEST(RxClock, ItsOwnTimerRedrawsIt) {
    FakeClock clock{kMorning};
    TRxClock display(clock);
    display.show();
    ASSERT_TRUE(display.timer()->isActive());
    EXPECT_EQ(display.timer()->interval(), 450);

    clock.set(12, 34, 56);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return display.text() == QStringLiteral("12:34:56"); }, 5000));
}

// Nobody sees it: nothing wakes for it.
TEST(RxClock, ItsTimerRunsOnlyWhileItCanBeSeen) {
    FakeClock clock;
    QWidget window;
    auto* display = new TRxClock(clock, &window);
    EXPECT_FALSE(display->timer()->isActive()) << "never shown";
    window.show();
    EXPECT_TRUE(display->timer()->isActive());
    window.hide();
    EXPECT_FALSE(display->timer()->isActive()) << "window hidden";

    window.showMinimized();
    EXPECT_FALSE(display->timer()->isActive()) << "window minimised";
    clock.set(9, 8, 7);
    window.showNormal();
    EXPECT_TRUE(display->timer()->isActive());
    EXPECT_EQ(display->text(), QStringLiteral("09:08:07")) << "up to date the moment it shows";
}

TEST(RxClock, ClockCanBeSwappedAfterConstruction) {
    TRxClock display; // system clock, as a form layout builds it
    FakeClock clock{kMorning};
    clock.set(8, 9, 10);
    display.setClock(clock);
    EXPECT_EQ(display.text(), QStringLiteral("08:09:10"));
}

} // namespace sonterra
