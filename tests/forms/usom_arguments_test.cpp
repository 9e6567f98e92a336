// The program takes no arguments: Qt's own options on its command line
// (-reverse, -style, -platform, -geometry) must change nothing either.

#include "app/startup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>
#include <QWidget>

#include <vector>

namespace {

TEST(CommandLine, QtOptionsChangeNothing) {
    EXPECT_EQ(QApplication::arguments().size(), 1);
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    EXPECT_NE(QApplication::style()->name(), QStringLiteral("windows"));
    QWidget window;
    window.resize(300, 200);
    window.show();
    EXPECT_EQ(window.size(), QSize(300, 200));
    EXPECT_EQ(window.layoutDirection(), Qt::LeftToRight);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    char reverse[] = "-reverse", style[] = "-style", windows[] = "windows",
         platform[] = "-platform", minimal[] = "minimal", geometry[] = "-geometry",
         size[] = "20x20+3+3";
    std::vector<char*> args{argv[0], reverse,  style, windows, platform,
                            minimal, geometry, size,  nullptr};
    int count = static_cast<int>(args.size()) - 1;
    sonterra::SonterraApplication app(count, args.data());
    return RUN_ALL_TESTS();
}
