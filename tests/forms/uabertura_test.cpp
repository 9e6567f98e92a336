#include "forms/uabertura.h"

#include "widgets/screw_panel.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWindow>

#include <gtest/gtest.h>

namespace sonterra {

TEST(Splash, BorderlessOnTopBlackWithWaitCursor) {
    Tform_abertura splash;
    const Qt::WindowFlags flags = splash.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(splash.size(), QSize(339, 123));
    EXPECT_EQ(splash.palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(splash.cursor().shape(), Qt::WaitCursor);
}

TEST(Splash, ControlsInPlace) {
    Tform_abertura splash;
    EXPECT_EQ(splash.ScrewPanel1->caption(), QStringLiteral("Quorvel Sonterra"));
    EXPECT_EQ(splash.ScrewPanel1->geometry(), QRect(0, 88, 337, 33));
    EXPECT_FALSE(splash.ScrewPanel1->isEnabled());
    splash.ScrewPanel1->ensurePolished();
    const QFont font = splash.ScrewPanel1->font();
    EXPECT_EQ(font.family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(font.pixelSize(), 19);
    EXPECT_TRUE(font.bold());

    EXPECT_EQ(splash.Image1->geometry(), QRect(1, 2, 336, 85));
    EXPECT_TRUE(splash.Image1->hasScaledContents());
    EXPECT_EQ(splash.Image1->pixmap().size(), QSize(249, 82));
}

TEST(Splash, ShownCentredAndPainted) {
    Tform_abertura splash;
    splash.ShowAndPaint();
    ASSERT_TRUE(splash.isVisible());
    EXPECT_TRUE(splash.windowHandle()->isExposed());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((splash.frameGeometry().center() - screen.center()).manhattanLength(), 2);

    const QImage image = splash.grab().toImage();
    EXPECT_EQ(QColor(image.pixel(0, 0)), QColor(Qt::black));
    EXPECT_EQ(QColor(image.pixel(338, 87)), QColor(Qt::black));
    EXPECT_EQ(QColor(image.pixel(20, 104)), QColor(140, 140, 140)); // screw panel face
    // The logo is drawn: its left part is a dark blue, not the black background.
    const QColor logo(image.pixel(4, 40));
    EXPECT_GT(logo.blue(), logo.red());
}

} // namespace sonterra
