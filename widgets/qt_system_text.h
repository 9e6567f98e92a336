#pragma once
// Where the system's narrow text (UTF-8 here, ANSI on Windows: paths, the
// schedule's lines) enters Qt, and back. The program's own texts are UTF-8
// and go through QString::fromUtf8 (core/system_text.h).

#include <QString>

#include <string>

namespace sonterra {

QString FromSystemText(const std::string& text);
std::string ToSystemText(const QString& text);

} // namespace sonterra
