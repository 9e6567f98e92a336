#pragma once
// Where the program's text (the system's narrow text: UTF-8 here, ANSI on
// Windows; paths, system messages, our literals) enters Qt, and back.

#include <QString>

#include <string>

namespace sonterra {

QString FromSystemText(const std::string& text);
std::string ToSystemText(const QString& text);

} // namespace sonterra
