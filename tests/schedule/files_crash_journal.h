#pragma once
// The journal the crash-during-write driver keeps and its test reads: one line
// per version a file is about to hold, "NAME LENGTH HASH".

#include "schedule/schedule_files.h"

#include <cstdint>
#include <string>

namespace sonterra::test {

// The bytes WriteLines puts in a file.
inline std::string Bytes(const Lines& lines) {
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

inline std::string JournalLine(const std::string& name, const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return name + " " + std::to_string(bytes.size()) + " " + std::to_string(hash) + "\n";
}

} // namespace sonterra::test
