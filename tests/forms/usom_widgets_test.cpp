// The sorted list box and the weekday tab strip on their own.

#include "forms/usom_listbox.h"
#include "forms/usom_semana.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

namespace sonterra {
namespace {

TEST(SortedListBox, KeepsCaseInsensitiveOrderAcrossAdds) {
    TSortedListBox box;
    box.AddLines({QStringLiteral("b"), QStringLiteral("C"), QStringLiteral("a")});
    box.AddLines({QStringLiteral("B0"), QStringLiteral("A")});
    EXPECT_EQ(box.Lines(),
              (QStringList{QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("b"),
                           QStringLiteral("B0"), QStringLiteral("C")}));
    EXPECT_EQ(box.item(0)->sizeHint().height(), TSortedListBox::kItemHeight);
}

TEST(SemanaTabBar, HasTheSevenDaysAndReportsOnlyTheOperator) {
    TSemanaTabBar bar;
    ASSERT_EQ(bar.count(), 7);
    EXPECT_EQ(bar.tabText(0), QStringLiteral("Domingo"));
    EXPECT_EQ(bar.tabText(2), QStringLiteral("Terça"));
    EXPECT_EQ(bar.tabText(6), QStringLiteral("Sábado"));

    QSignalSpy clicks(&bar, &TSemanaTabBar::semanaClick);
    bar.setCurrentIndex(6);
    EXPECT_EQ(clicks.count(), 0);

    QTest::keyClick(&bar, Qt::Key_Right);
    EXPECT_EQ(bar.currentIndex(), 0);
    QTest::keyClick(&bar, Qt::Key_Left);
    EXPECT_EQ(bar.currentIndex(), 6);
    EXPECT_EQ(clicks.count(), 2);

    QTest::keyClick(&bar, Qt::Key_Home); // only the arrows choose a day
    EXPECT_EQ(clicks.count(), 2);
}

} // namespace
} // namespace sonterra
