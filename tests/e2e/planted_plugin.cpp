// A Qt plugin as another account could plant it beside the program: it claims
// the platform theme Qt looks for under the offscreen platform, and, once
// loaded, writes the user id of the process that loaded it to $PLANTED_MARK.
#include <QObject>
#include <QtPlugin>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

[[gnu::constructor]] void SayWhoLoadedMe() {
    const char* mark = std::getenv("PLANTED_MARK");
    if (!mark)
        return;
    if (FILE* f = std::fopen(mark, "a")) {
        std::fprintf(f, "%u\n", static_cast<unsigned>(::getuid()));
        std::fclose(f);
    }
}

} // namespace

class PlantedPlugin : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QPA.QPlatformThemeFactoryInterface.5.1" FILE
                          "planted_plugin.json")
};

#include "planted_plugin.moc"
