#pragma once
// The audio library's error codes in the operator's words. Plain C++, no Qt.

#include <string>

namespace sonterra {

// Only the low 16 bits of code count, with their sign (65535 is -1).
// Never fails: every value yields a text.
std::string BassErrorText(int code);

} // namespace sonterra
