#pragma once
// The process's current directory. Plain C++; main thread only.

#include <string>

namespace sonterra {

// Makes path the current directory; false when it is missing or not allowed.
bool SetCurrentFolder(const std::string& path);

} // namespace sonterra
