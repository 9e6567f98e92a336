// Entry of the Qt tests: a QApplication on the offscreen platform (its event
// loop is "the main thread" that timers and players post to), with HOME,
// XDG_CONFIG_HOME and XDG_RUNTIME_DIR in a folder of its own so nothing writes
// to the user's.
#include "tests/support/test_platform.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const sonterra::test::TemporaryFolder home("sonterra-qt-home"); // mode 700, as XDG wants
    const QByteArray folder = QByteArray::fromStdString(home.path()).chopped(1);
    qputenv("HOME", folder);
    qputenv("XDG_CONFIG_HOME", folder + "/.config");
    qputenv("XDG_RUNTIME_DIR", folder);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
