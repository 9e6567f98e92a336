#include "widgets/qt_system_text.h"

#include "core/system_text.h"

namespace sonterra {

QString FromSystemText(const std::string& text) {
    const std::string utf8 = SystemTextToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToSystemText(const QString& text) {
    return Utf8ToSystemText(text.toStdString());
}

} // namespace sonterra
