// The day files: lines split as a plain reference splits them, the fields of
// an entry line, the 255-character cut at character boundaries, and a CR LF
// round trip through a real write.

#include "schedule/schedule_files.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

using namespace sonterra;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

// Every CR LF, then every lone CR, becomes LF; then cut at each LF, and a
// last piece without LF is a line when it is not empty.
Lines ReferenceSplit(std::string bytes) {
    std::string unified;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            unified += '\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            unified += bytes[i];
        }
    }
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = unified.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(unified.substr(start, end - start));
    if (start < unified.size())
        lines.push_back(unified.substr(start));
    return lines;
}

// A byte-order mark at the very start of a file belongs to no line, so a
// reader may drop it from the first one.
bool SameLines(const Lines& read, const Lines& expected) {
    if (read == expected)
        return true;
    if (expected.empty() || expected[0].compare(0, kBom.size(), kBom) != 0)
        return false;
    Lines withoutBom = expected;
    withoutBom[0].erase(0, kBom.size());
    if (withoutBom[0].empty() && expected.size() == 1 && read.empty())
        return true;
    return read == withoutBom;
}

bool StartsCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

std::size_t Characters(const std::string& text) {
    std::size_t n = 0;
    for (char c : text)
        n += StartsCharacter(c) ? 1 : 0;
    return n;
}

void CheckFields(const std::string& line) {
    const std::string key = EntryTimeKey(line);
    FUZZ_CHECK(key == line.substr(0, 5));
    FUZZ_CHECK(EntrySpeaksTime(line) == (line.size() >= 7 && line[6] == '+'));

    // At most 255 characters from the ninth byte, cut where a character starts.
    const std::string rest = line.size() < 9 ? std::string() : line.substr(8);
    const std::string path = EntryAudioPath(line);
    FUZZ_CHECK(path.size() <= rest.size());
    FUZZ_CHECK(rest.compare(0, path.size(), path) == 0);
    FUZZ_CHECK(Characters(path) == std::min<std::size_t>(255, Characters(rest)));
    FUZZ_CHECK(path.size() == rest.size() || StartsCharacter(rest[path.size()]));

    // A well-formed line is rebuilt from its fields when its path fits.
    if (line.size() >= 8 && line[5] == ' ' && (line[6] == '+' || line[6] == '-') &&
        line[7] == ' ' && path == rest)
        FUZZ_CHECK(MakeEntryLine(key, EntrySpeaksTime(line), path) == line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string folder = fuzz::ScratchFolder();
    const std::string file = folder + DayFileName(3);

    fuzz::WriteBytes(file, bytes);
    const Lines lines = ReadLines(file);
    FUZZ_CHECK(SameLines(lines, ReferenceSplit(bytes)));
    for (const std::string& line : lines) {
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        CheckFields(line);
    }

    // Written back: each line and CR LF, byte for byte, and read back the same.
    WriteLines(file, lines);
    std::string expected;
    for (const std::string& line : lines)
        expected += line + "\r\n";
    FUZZ_CHECK(fuzz::ReadBytes(file) == expected);
    FUZZ_CHECK(SameLines(ReadLines(file), lines));

    // The write left nothing else behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++entries;
    FUZZ_CHECK(entries == 1);
    return 0;
}
