// One application object for all the main window's tests, with HOME and the
// XDG folders pointed at a temporary folder (Qt and the autostart write there).

#include "app/startup.h"
#include "tests/forms/usom_support.h"
#include "tests/support/test_platform.h"
#include "tests/support/test_sounds.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace sonterra::test {

void WriteToneWav(const std::string& path, int milliseconds) {
    test::writeWav(path, test::Tone{.rate = 22050,
                                    .channels = 1,
                                    .seconds = milliseconds / 1000.0,
                                    .amplitude = 8000 / 32767.0});
}

} // namespace sonterra::test

int main(int argc, char** argv) {
    const sonterra::test::TemporaryFolder home("sonterra-usom-home");
    const QByteArray homePath = QByteArray::fromStdString(home.path()).chopped(1);
    QDir(QFile::decodeName(homePath)).mkpath(QStringLiteral("config"));
    qputenv("HOME", homePath);
    qputenv("XDG_CONFIG_HOME", homePath + "/config");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");

    ::testing::InitGoogleTest(&argc, argv);
    sonterra::SonterraApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
