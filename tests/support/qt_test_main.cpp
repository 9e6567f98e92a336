// Entry of the Qt tests: a QApplication on the offscreen platform (its event
// loop is "the main thread" that timers and players post to), with HOME,
// XDG_CONFIG_HOME and XDG_RUNTIME_DIR in a folder of its own so nothing writes
// to the user's.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (home.isValid()) {
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit()); // QTemporaryDir is mode 700
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
