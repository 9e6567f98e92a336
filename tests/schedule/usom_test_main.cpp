// One application object for all the main window's tests, with HOME and the
// XDG folders pointed at a temporary folder (Qt and the autostart write there).

#include "schedule/usom_startup.h"
#include "tests/schedule/usom_support.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDataStream>
#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <cstdlib>

namespace sonterra::usomtest {

void WriteToneWav(const std::string& path, int milliseconds)
{
    constexpr int rate = 22050;
    const int frames = rate * milliseconds / 1000;
    QByteArray pcm;
    QDataStream out(&pcm, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    for (int i = 0; i < frames; ++i)
        out << static_cast<qint16>(8000 * std::sin(2 * M_PI * 440.0 * i / rate));

    QByteArray wav;
    QDataStream w(&wav, QIODevice::WriteOnly);
    w.setByteOrder(QDataStream::LittleEndian);
    w.writeRawData("RIFF", 4);
    w << static_cast<quint32>(36 + pcm.size());
    w.writeRawData("WAVEfmt ", 8);
    w << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2)
      << quint16(2) << quint16(16);
    w.writeRawData("data", 4);
    w << static_cast<quint32>(pcm.size());
    wav += pcm;
    QFile f(QString::fromStdString(path));
    if (f.open(QIODevice::WriteOnly))
        f.write(wav);
}

} // namespace sonterra::usomtest

int main(int argc, char** argv)
{
    QTemporaryDir home;
    const QByteArray homePath = QFile::encodeName(home.path());
    QDir(home.path()).mkpath(QStringLiteral("config"));
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
