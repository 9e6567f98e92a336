#include "audio/ID3Tags.h"

#include "core/system_text.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace sonterra {

namespace {

constexpr std::int64_t kTagSize = 128;

// In comma form, each name quoted; a blank after a comma separates nothing.
constexpr char kGenreText[] =
    R"("Blues","Classic Rock","Country","Dance","Disco","Funk","Grunge","Hip-Hop",)"
    R"("Jazz","Metal","New Age","Oldies","Other","Pop","R&B","Rap","Reggae","Rock",)"
    R"("Techno","Industrial","Alternative","Ska","Death Metal","Pranks","Soundtrack",)"
    R"("Euro-Techno","Ambient","Trip-Hop","Vocal","Jazz+Funk","Fusion","Trance",)"
    R"("Classical","Instrumental","Acid","House","Game","Sound Clip","Gospel","Noise",)"
    R"("AlternRock","Bass","Soul","Punk","Space","Meditative","Instrumental Pop",)"
    R"("Instrumental Rock","Ethnic","Gothic","Darkwave","Techno-Industrial",)"
    R"("Electronic","Pop-Folk","Eurodance","Dream","Southern Rock","Comedy","Cult",)"
    R"("Gangsta","Top 40","Christian Rap","Pop/Funk","Jungle","Native American",)"
    R"("Cabaret","New Wave","Psychedelic","Rave","Showtunes","Trailer","Lo-Fi",)"
    R"("Tribal","Acid Punk","Acid Jazz","Polka","Retro","Musical","Rock & Roll",)"
    R"("Hard Rock", "Folk","Folk/Rock","National Folk","Swing","Fast Fusion","Bebob",)"
    R"("Latin","Revival","Celtic","Bluegrass","Avantgarde","Gothic Rock",)"
    R"("Progressive Rock","Psychedelic Rock","Symphonic Rock","Slow Rock","Big Band",)"
    R"("Chorus","Easy Listening","Acoustic","Humour","Speech","Chanson","Opera",)"
    R"("Chamber Music","Sonata","Symphony","Booty Bass","Primus","Porn Groove",)"
    R"("Satire","Slow Jam","Club","Tango","Samba","Folklore","Ballad","Power Ballad",)"
    R"("Rhythmic Soul","Freestyle","Duet","Punk Rock","Drum Solo","Acapella",)"
    R"("Euro-House","Dance Hall", "Goa","Drum & Bass","Club-House","Hardcore",)"
    R"("Terror","Indie","BritPop","Negerpunk","Polsk Punk","Beat","Christian Gangs",)"
    R"("Heavy Metal","Black Metal","Crossover","Contemporary Ch?","Cristian Rock",)"
    R"("Merengue","Salsa","Thrash Metal","Anime","JPop","Synthpop")";

// Splits the comma form: quoted names ("" inside stands for one quote);
// commas and blanks between them are separators.
std::vector<TGenreEntry> parseCommaText(const char* text) {
    std::vector<TGenreEntry> list;
    const char* p = text;
    for (;;) {
        while (*p == ',' || *p == ' ')
            ++p;
        if (*p == '\0')
            break;
        std::string name;
        if (*p == '"') {
            ++p;
            for (; *p != '\0'; ++p) {
                if (*p == '"') {
                    if (p[1] != '"') {
                        ++p;
                        break;
                    }
                    ++p;
                }
                name += *p;
            }
        } else {
            while (*p != '\0' && *p != ',' && *p != ' ')
                name += *p++;
        }
        list.push_back({std::move(name), static_cast<int>(list.size())});
    }
    return list;
}

// Up to the first zero byte, then without trailing blanks and control codes.
std::string tagText(const unsigned char* bytes, std::size_t length) {
    std::size_t end = 0;
    while (end < length && bytes[end] != 0)
        ++end;
    while (end > 0 && bytes[end - 1] <= 32)
        --end;
    return std::string(reinterpret_cast<const char*>(bytes), end);
}

} // namespace

const std::vector<TGenreEntry>& GenreList() {
    static const std::vector<TGenreEntry> list = parseCommaText(kGenreText);
    return list;
}

void TID3v1Tag::ReadFromFile(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) {
        const int error = errno != 0 ? errno : EIO;
        throw std::system_error(error, std::generic_category(), SystemTextToUtf8(fileName));
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    if (size < 0 || !file) {
        const int error = errno != 0 ? errno : EIO;
        throw std::system_error(error, std::generic_category(), SystemTextToUtf8(fileName));
    }
    try {
        ReadFromStream(file, size);
    } catch (const std::runtime_error& e) {
        const int error = errno != 0 ? errno : EIO;
        throw std::system_error(error, std::generic_category(),
                                SystemTextToUtf8(fileName) + ": " + e.what());
    }
}

void TID3v1Tag::ReadFromStream(std::istream& stream, std::int64_t size) {
    if (size < kTagSize) {
        TagFound = false;
        return;
    }
    const std::streamoff start = stream.tellg();
    stream.seekg(start + size - kTagSize, std::ios::beg);
    std::array<unsigned char, kTagSize> buffer{};
    stream.read(reinterpret_cast<char*>(buffer.data()), kTagSize);
    if (!stream || stream.gcount() != kTagSize)
        throw std::runtime_error("leitura incompleta do fim do arquivo");
    ParseTag(buffer.data(), kTagSize);
}

void TID3v1Tag::ParseTag(const unsigned char* buffer, std::int64_t size) {
    TagFound = false;
    Title.clear();
    Artist.clear();
    Album.clear();
    Comment.clear();
    Year.clear();
    GenreName.clear();
    Track = 0;
    Genre = 0;
    if (size < kTagSize)
        return;
    if (std::memcmp(buffer, "TAG", 3) != 0)
        return;
    TagFound = true;
    Title = tagText(buffer + 3, 30);
    Artist = tagText(buffer + 33, 30);
    Album = tagText(buffer + 63, 30);
    Year = tagText(buffer + 93, 4);
    Comment = tagText(buffer + 97, 30);
    if (buffer[125] != 0) {
        Version10 = true;
        Track = 0;
    } else if (buffer[126] != 0) {
        Version10 = false;
        Track = buffer[126];
    } else {
        Version10 = true;
        Track = 0;
    }
    Genre = buffer[127];
    for (const TGenreEntry& entry : GenreList()) {
        if (entry.number == Genre) {
            GenreName = entry.name;
            break;
        }
    }
}

} // namespace sonterra
