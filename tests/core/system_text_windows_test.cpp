// A sound file's name the day files cannot hold: whether the code page has
// every letter of it, on the Western (1252) and the Cyrillic (1251) Windows.

#include "core/system_text_windows.h"

#include <gtest/gtest.h>

namespace sonterra {
namespace {

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
