// The system's narrow text on Windows: ANSI bytes to and from UTF-8; and a
// sound file's name the day files cannot hold: whether the code page has
// every letter of it, on the Western (1252) and the Cyrillic (1251) Windows.

#include "core/system_text.h"
#include "core/system_text_windows.h"

#include <windows.h>
#include <gtest/gtest.h>

namespace sonterra {
namespace {

// A program installed below a user's folder with accents: every caption is
// this path's name, every file error carries such a path.
TEST(SystemText, AnsiBytesReachUtf8Unharmed) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "written for code page 1252, this is " << GetACP();
    const std::string folder = "C:\\Escolas\\Jo\xE3o\\Configura\xE7\xF5"
                               "es\\";
    const std::string folderUtf8 = "C:\\Escolas\\Jo\xC3\xA3o\\Configura\xC3\xA7\xC3\xB5"
                                   "es\\";
    EXPECT_EQ(SystemTextToUtf8(folder), folderUtf8);
    EXPECT_EQ(Utf8ToSystemText(folderUtf8), folder);
    EXPECT_EQ(SystemTextToUtf8("Sinal \x96 Sa\xED"
                               "da"),
              "Sinal \xE2\x80\x93 Sa\xC3\xAD"
              "da");
    EXPECT_EQ(Utf8ToSystemText("Hino \xE2\x80\x9CNacional\xE2\x80\x9D.mp3"),
              "Hino \x93Nacional\x94.mp3");
}

// "sinal_ção_€_ж.wav", spelt in UTF-8 bytes.
const std::string kCedilla = "sinal_\xC3\xA7\xC3\xA3o";
const std::string kEuro = "_\xE2\x82\xAC";
const std::string kZhe = "_\xD0\xB6";

TEST(CodePageHolds, EveryLetterOrRefused) {
    EXPECT_TRUE(CodePageHolds(1252, kCedilla + kEuro + ".wav"));
    EXPECT_FALSE(CodePageHolds(1252, kCedilla + kEuro + kZhe + ".wav")); // would save "?"
    EXPECT_TRUE(CodePageHolds(1251, "sinal" + kEuro + kZhe + ".wav"));
    EXPECT_FALSE(CodePageHolds(1251, kCedilla + kEuro + kZhe + ".wav")); // would save "cao"
    EXPECT_FALSE(CodePageHolds(1251, "\xC3\xA9"));                       // "é": no best fit to "e"
    EXPECT_TRUE(CodePageHolds(1251, "C:\\AUDIO\\sino 1.mp3"));
    EXPECT_TRUE(CodePageHolds(1252, ""));
}

} // namespace
} // namespace sonterra
