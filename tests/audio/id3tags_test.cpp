// TID3v1Tag and GenreList.

#include "audio/ID3Tags.h"
#include "tests/support/test_platform.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <system_error>

namespace sonterra {
namespace {

namespace fs = std::filesystem;
using Record = std::array<unsigned char, 128>;

// A v1.0 record: blanks everywhere, then the given fields.
Record makeRecord(const std::string& title = "Sino da Escola", int genre = 0) {
    Record r;
    r.fill(' ');
    std::memcpy(r.data(), "TAG", 3);
    std::memcpy(r.data() + 3, title.data(), std::min<std::size_t>(title.size(), 30));
    std::memcpy(r.data() + 33, "Artista", 7);
    std::memcpy(r.data() + 63, "Album", 5);
    std::memcpy(r.data() + 93, "2003", 4);
    std::memcpy(r.data() + 97, "Comentario", 10);
    r[127] = static_cast<unsigned char>(genre);
    return r;
}

void put(Record& r, int offset, const std::string& bytes) {
    std::memcpy(r.data() + offset, bytes.data(), bytes.size());
}

class ID3v1Files : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::make_unique<test::TemporaryFolder>("sonterra-id3");
        dir = folder->path();
    }
    void TearDown() override { folder.reset(); }

    std::string write(const std::string& name, const std::string& prefix, const Record* tag) {
        const fs::path path = dir / name;
        std::ofstream out(path, std::ios::binary);
        out << prefix;
        if (tag)
            out.write(reinterpret_cast<const char*>(tag->data()), 128);
        return path.string();
    }

    std::unique_ptr<test::TemporaryFolder> folder;
    fs::path dir;
};

TEST(GenreList, HoldsTheHundredAndFortyEightNamesWithTheirNumbers) {
    const auto& list = GenreList();
    ASSERT_EQ(list.size(), 148u);
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i].number, static_cast<int>(i));
    EXPECT_EQ(list[0].name, "Blues");
    EXPECT_EQ(list[14].name, "R&B");
    EXPECT_EQ(list[60].name, "Top 40");
    EXPECT_EQ(list[78].name, "Rock & Roll");
    EXPECT_EQ(list[79].name, "Hard Rock"); // a blank after its comma separates nothing
    EXPECT_EQ(list[80].name, "Folk");
    EXPECT_EQ(list[125].name, "Dance Hall");
    EXPECT_EQ(list[126].name, "Goa");
    EXPECT_EQ(list[140].name, "Contemporary Ch?");
    EXPECT_EQ(list[141].name, "Cristian Rock");
    EXPECT_EQ(list[147].name, "Synthpop");
}

TEST(ID3v1Parse, ConstructedReaderIsEmpty) {
    TID3v1Tag tag;
    EXPECT_FALSE(tag.TagFound);
    EXPECT_TRUE(tag.Title.empty());
    EXPECT_EQ(tag.Track, 0);
    EXPECT_EQ(tag.Genre, 0);
}

TEST(ID3v1Parse, FieldsOfAVersionOneZeroTag) {
    Record r = makeRecord("Sino da Escola", 17);
    put(r, 97, std::string(30, 'c'));
    TID3v1Tag tag;
    tag.ParseTag(r.data(), 128);
    EXPECT_TRUE(tag.TagFound);
    EXPECT_TRUE(tag.Version10);
    EXPECT_EQ(tag.Title, "Sino da Escola");
    EXPECT_EQ(tag.Artist, "Artista");
    EXPECT_EQ(tag.Album, "Album");
    EXPECT_EQ(tag.Year, "2003");
    EXPECT_EQ(tag.Comment, std::string(30, 'c'));
    EXPECT_EQ(tag.Track, 0);
    EXPECT_EQ(tag.Genre, 17);
    EXPECT_EQ(tag.GenreName, "Rock");
}

TEST(ID3v1Parse, VersionOneOneCarriesTheTrackAfterAZeroByte) {
    Record r = makeRecord();
    put(r, 97, std::string(28, 'x'));
    r[125] = 0;
    r[126] = 7;
    TID3v1Tag tag;
    tag.ParseTag(r.data(), 128);
    EXPECT_FALSE(tag.Version10);
    EXPECT_EQ(tag.Track, 7);
    EXPECT_EQ(tag.Comment, std::string(28, 'x'));

    r[126] = 255;
    tag.ParseTag(r.data(), 128);
    EXPECT_EQ(tag.Track, 255);

    // Byte 125 zero and byte 126 zero: no track, still version 1.0.
    r[126] = 0;
    tag.ParseTag(r.data(), 128);
    EXPECT_TRUE(tag.Version10);
    EXPECT_EQ(tag.Track, 0);
    EXPECT_EQ(tag.Comment, std::string(28, 'x'));
}

TEST(ID3v1Parse, TextRule) {
    Record r = makeRecord();
    put(r, 3, std::string(30, ' '));
    put(r, 3, "  Abertura"); // leading blanks stay
    put(r, 33, std::string(30, '\0'));
    put(r, 33, "Coral");
    put(r, 63, std::string(30, ' '));
    put(r, 63, std::string("Meio\0Fim", 8));
    put(r, 93, std::string("99\t\n", 4)); // control codes at the end go too
    TID3v1Tag tag;
    tag.ParseTag(r.data(), 128);
    EXPECT_EQ(tag.Title, "  Abertura");
    EXPECT_EQ(tag.Artist, "Coral");
    EXPECT_EQ(tag.Album, "Meio");
    EXPECT_EQ(tag.Year, "99");
}

TEST(ID3v1Parse, TextIsTakenByteForByte) {
    Record r = makeRecord();
    put(r, 3, std::string(30, ' '));
    put(r, 3, "Can\xe7\xe3o \xc0 toa"); // 8-bit text stays as it is
    TID3v1Tag tag;
    tag.ParseTag(r.data(), 128);
    EXPECT_EQ(tag.Title, "Can\xe7\xe3o \xc0 toa");
}

TEST(ID3v1Parse, GenreNames) {
    TID3v1Tag tag;
    Record r = makeRecord("x", 0);
    tag.ParseTag(r.data(), 128);
    EXPECT_EQ(tag.GenreName, "Blues");
    r[127] = 147;
    tag.ParseTag(r.data(), 128);
    EXPECT_EQ(tag.GenreName, "Synthpop");
    r[127] = 148;
    tag.ParseTag(r.data(), 128);
    EXPECT_EQ(tag.Genre, 148);
    EXPECT_EQ(tag.GenreName, "");
    r[127] = 255;
    tag.ParseTag(r.data(), 128);
    EXPECT_EQ(tag.Genre, 255);
    EXPECT_EQ(tag.GenreName, "");
}

TEST(ID3v1Parse, NotATagClearsTheFields) {
    TID3v1Tag tag;
    Record r = makeRecord("Primeiro", 3);
    tag.ParseTag(r.data(), 128);
    ASSERT_TRUE(tag.TagFound);

    put(r, 0, "tag"); // case matters
    tag.ParseTag(r.data(), 128);
    EXPECT_FALSE(tag.TagFound);
    EXPECT_EQ(tag.Title, "");
    EXPECT_EQ(tag.Artist, "");
    EXPECT_EQ(tag.Year, "");
    EXPECT_EQ(tag.Genre, 0);
    EXPECT_EQ(tag.GenreName, "");

    // A buffer shorter than a record is cleared too.
    r = makeRecord("Segundo", 3);
    tag.ParseTag(r.data(), 128);
    tag.ParseTag(r.data(), 127);
    EXPECT_FALSE(tag.TagFound);
    EXPECT_EQ(tag.Title, "");
}

TEST(ID3v1Stream, ReadsTheLastRecordFromTheCurrentPosition) {
    const Record r = makeRecord("No fim", 8);
    std::string content = "JUNKJUNK" + std::string(500, 'a');
    content.append(reinterpret_cast<const char*>(r.data()), 128);
    std::istringstream stream(content);
    stream.seekg(8);
    TID3v1Tag tag;
    tag.ReadFromStream(stream, static_cast<std::int64_t>(content.size()) - 8);
    EXPECT_TRUE(tag.TagFound);
    EXPECT_EQ(tag.Title, "No fim");
    EXPECT_EQ(tag.GenreName, "Jazz");
}

TEST(ID3v1Stream, ShortReadIsAnError) {
    const Record r = makeRecord();
    std::istringstream stream(std::string(reinterpret_cast<const char*>(r.data()), 100));
    TID3v1Tag tag;
    EXPECT_THROW(tag.ReadFromStream(stream, 200), std::runtime_error);
}

TEST_F(ID3v1Files, FileOfExactlyOneRecordIsATag) {
    const Record r = makeRecord("Exato", 1);
    TID3v1Tag tag;
    tag.ReadFromFile(write("exato.mp3", "", &r));
    EXPECT_TRUE(tag.TagFound);
    EXPECT_EQ(tag.Title, "Exato");
    EXPECT_EQ(tag.GenreName, "Classic Rock");
}

TEST_F(ID3v1Files, TagAfterAudioData) {
    const Record r = makeRecord("Depois", 2);
    TID3v1Tag tag;
    tag.ReadFromFile(write("sino.mp3", std::string(4096, '\xff'), &r));
    EXPECT_TRUE(tag.TagFound);
    EXPECT_EQ(tag.Title, "Depois");
}

TEST_F(ID3v1Files, NoTagEmptiesTheFieldsButAShortFileKeepsThem) {
    const Record r = makeRecord("Anterior", 4);
    TID3v1Tag tag;
    tag.ReadFromFile(write("com.mp3", "", &r));
    ASSERT_TRUE(tag.TagFound);

    tag.ReadFromFile(write("curto.mp3", std::string(127, 'x'), nullptr));
    EXPECT_FALSE(tag.TagFound);
    EXPECT_EQ(tag.Title, "Anterior");
    EXPECT_EQ(tag.GenreName, "Disco");

    tag.ReadFromFile(write("vazio.mp3", "", nullptr));
    EXPECT_FALSE(tag.TagFound);
    EXPECT_EQ(tag.Title, "Anterior");

    tag.ReadFromFile(write("sem.mp3", std::string(300, 'x'), nullptr));
    EXPECT_FALSE(tag.TagFound);
    EXPECT_EQ(tag.Title, "");
    EXPECT_EQ(tag.GenreName, "");
}

TEST_F(ID3v1Files, MissingFileReachesTheCallerWithItsPath) {
    TID3v1Tag tag;
    const std::string path = (dir / "nao-existe.mp3").string();
    try {
        tag.ReadFromFile(path);
        FAIL() << "no error";
    } catch (const std::system_error& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        EXPECT_EQ(e.code().value(), ENOENT);
    }
}

} // namespace
} // namespace sonterra
