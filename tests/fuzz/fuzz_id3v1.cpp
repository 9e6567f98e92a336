// The ID3v1 reader: a tag in memory, in a stream and in a file reads the same,
// texts are what the tag's bytes say, and a reused reader keeps exactly the
// fields a read leaves alone.

#include "audio/ID3Tags.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

using namespace sonterra;

namespace {

bool SameFields(const TID3v1Tag& a, const TID3v1Tag& b) {
    return a.TagFound == b.TagFound && a.Version10 == b.Version10 && a.Title == b.Title &&
           a.Artist == b.Artist && a.Album == b.Album && a.Track == b.Track &&
           a.Comment == b.Comment && a.Year == b.Year && a.Genre == b.Genre &&
           a.GenreName == b.GenreName;
}

// A text field: the bytes up to the first zero, less trailing blanks and
// control codes.
void CheckText(const std::string& text, const std::uint8_t* field, std::size_t length) {
    FUZZ_CHECK(text.size() <= length);
    FUZZ_CHECK(std::memcmp(text.data(), field, text.size()) == 0);
    FUZZ_CHECK(text.find('\0') == std::string::npos);
    FUZZ_CHECK(text.empty() || static_cast<unsigned char>(text.back()) > 32);
    for (std::size_t i = text.size(); i < length && field[i] != 0; ++i)
        FUZZ_CHECK(field[i] <= 32);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const bool tagged = size >= 128 && std::memcmp(data + size - 128, "TAG", 3) == 0;

    TID3v1Tag memory;
    memory.ParseTag(size >= 128 ? data + size - 128 : data, static_cast<std::int64_t>(size));
    FUZZ_CHECK(memory.TagFound == tagged);

    // A stream read from where it stands: some bytes before the content.
    const std::size_t skip = size % 5;
    std::istringstream in(std::string(skip, 'x') + bytes);
    in.seekg(static_cast<std::streamoff>(skip));
    TID3v1Tag stream;
    stream.ReadFromStream(in, static_cast<std::int64_t>(size));
    FUZZ_CHECK(SameFields(stream, memory));

    const std::string file = fuzz::ScratchFolder() + "tag.mp3";
    fuzz::WriteBytes(file, bytes);
    TID3v1Tag fromFile;
    fromFile.ReadFromFile(file);
    FUZZ_CHECK(SameFields(fromFile, memory));

    if (tagged) {
        const std::uint8_t* tag = data + size - 128;
        CheckText(memory.Title, tag + 3, 30);
        CheckText(memory.Artist, tag + 33, 30);
        CheckText(memory.Album, tag + 63, 30);
        CheckText(memory.Year, tag + 93, 4);
        CheckText(memory.Comment, tag + 97, 30);
        FUZZ_CHECK(memory.Genre == tag[127]);
        FUZZ_CHECK(memory.Version10 == (tag[125] != 0 || tag[126] == 0));
        FUZZ_CHECK(memory.Track == (memory.Version10 ? 0 : tag[126]));
        const auto& genres = GenreList();
        FUZZ_CHECK(genres.size() == 148);
        FUZZ_CHECK(memory.GenreName == (memory.Genre < 148
                                            ? genres[static_cast<std::size_t>(memory.Genre)].name
                                            : std::string()));
    }

    // One reader used again and again: a tag replaces every field; a file
    // without one clears the texts and numbers but leaves Version10; a file
    // too short for a tag changes nothing but TagFound.
    static TID3v1Tag reused;
    const TID3v1Tag before = reused;
    std::istringstream again(bytes);
    reused.ReadFromStream(again, static_cast<std::int64_t>(size));
    TID3v1Tag expected = tagged ? memory : before;
    expected.TagFound = tagged;
    if (!tagged && size >= 128) {
        expected = TID3v1Tag();
        expected.Version10 = before.Version10;
    }
    FUZZ_CHECK(SameFields(reused, expected));
    return 0;
}
