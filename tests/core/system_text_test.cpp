// The program's own texts are UTF-8 on every system; the system's narrow text
// (UTF-8 on Linux, the ANSI code page on Windows) reaches std::filesystem
// unharmed. The expected UTF-8 is spelt in bytes.

#include "core/system_text.h"
#include "tests/support/test_platform.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace sonterra {
namespace {

// Compiled in another code page, a box would read "Horбrio jб Ocupado" on a
// Windows that decodes it with its own.
TEST(SystemText, ProgramTextsAreUtf8) {
    EXPECT_EQ(std::string("Horário já Ocupado"), "Hor\xC3\xA1rio j\xC3\xA1 Ocupado");
    EXPECT_EQ(std::string("Sinal – “Saída”"), "Sinal \xE2\x80\x93 \xE2\x80\x9CSa\xC3\xAD"
                                              "da\xE2\x80\x9D");
}

TEST(SystemText, RoundTripsThroughUtf8) {
    const std::string folder = "C:\\Escolas\\Jo\xC3\xA3o\\Configura\xC3\xA7\xC3\xB5"
                               "es\\";
    EXPECT_EQ(SystemTextToUtf8(Utf8ToSystemText(folder)), folder);
    EXPECT_EQ(SystemTextToUtf8(""), "");
}

TEST(SystemPath, NamesTheFileTheCLibraryOpens) {
    for (const char* name : {"Sinal – Saída.mp3", "Hino “Nacional”.mp3"}) {
        const std::u8string utf8(name, name + std::char_traits<char>::length(name));
        EXPECT_EQ(SystemPath(test::AsSystemText(name)), std::filesystem::path(utf8)) << name;
    }
}

} // namespace
} // namespace sonterra
