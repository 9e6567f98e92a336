#pragma once
// Reader of the 128-byte ID3v1 tag at the end of an MP3 file. Reads only;
// never writes a tag. Plain C++, no Qt. Texts are the tag's bytes as they
// stand (the system's narrow encoding).

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace sonterra {

struct TGenreEntry {
    std::string name;
    int number; // the entry's associated number, 0 to 147
};

// The 148 genre names, numbers 0 to 147 in list order. Not sorted; built
// once, on first use, from one comma-separated text.
const std::vector<TGenreEntry>& GenreList();

class TID3v1Tag {
public:
    TID3v1Tag() = default;

    // Opens the file for reading only, reads the tag of its whole content and
    // closes it in every case. Throws std::system_error (path and the
    // system's text) when the file cannot be opened or read.
    void ReadFromFile(const std::string& fileName);
    // Reads the tag of a stream whose content is size bytes long from its
    // current position. A short read throws std::runtime_error.
    void ReadFromStream(std::istream& stream, std::int64_t size);
    // Decodes a tag record held in memory.
    void ParseTag(const unsigned char* buffer, std::int64_t size);

    bool TagFound = false;
    bool Version10 = false; // no track number: the comment may use all 30 bytes
    std::string Title;
    std::string Artist;
    std::string Album;
    int Track = 0;
    std::string Comment;
    std::string Year;
    int Genre = 0;
    std::string GenreName;
};

} // namespace sonterra
