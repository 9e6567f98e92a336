#include "widgets/color_button.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace sonterra {

TEST(ColorButton, MouseClickEmitsClicked) {
    TSRColorButton button;
    button.resize(537, 35);
    button.setCaption(QStringLiteral("OK"));
    QSignalSpy clicked(&button, &TSRColorButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    QTest::mouseClick(&button, Qt::RightButton);
    EXPECT_EQ(clicked.count(), 1);
}

TEST(ColorButton, ReleaseOutsideDoesNotClick) {
    TSRColorButton button;
    button.resize(100, 30);
    QSignalSpy clicked(&button, &TSRColorButton::clicked);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(50, 15));
    EXPECT_TRUE(button.isDown());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(150, 15));
    EXPECT_FALSE(button.isDown());
    EXPECT_EQ(clicked.count(), 0);
}

TEST(ColorButton, TakesNoFocusAndIgnoresKeys) {
    TSRColorButton button;
    button.resize(100, 30);
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    QSignalSpy clicked(&button, &TSRColorButton::clicked);
    QTest::keyClick(&button, Qt::Key_Space);
    QTest::keyClick(&button, Qt::Key_Return);
    QTest::keyClick(&button, Qt::Key_Enter);
    EXPECT_EQ(clicked.count(), 0);
}

TEST(ColorButton, BlackBorderAndGradientFace) {
    TSRColorButton button;
    button.resize(100, 30);
    button.setColor(QColor(192, 192, 192));
    const QImage image = button.grab().toImage();
    EXPECT_EQ(QColor(image.pixel(0, 0)), QColor(Qt::black));
    EXPECT_EQ(QColor(image.pixel(99, 29)), QColor(Qt::black));
    // Lighter near the top than near the bottom.
    EXPECT_GT(qGray(image.pixel(50, 4)), qGray(image.pixel(50, 25)));
}

} // namespace sonterra
