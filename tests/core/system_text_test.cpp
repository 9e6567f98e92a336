// The system's narrow text: UTF-8 on Linux, the ANSI code page on Windows,
// where the program's own literals are Windows-1252 too. Qt, message boxes
// and std::filesystem get it converted; the expected UTF-8 is spelt in bytes.

#include "core/system_text.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace sonterra {
namespace {

// A program installed below a user's folder with accents: every caption is
// this path's name, every file error carries such a path.
const std::string kFolder = "C:\\Escolas\\João\\Configurações\\";
const std::string kFolderUtf8 = "C:\\Escolas\\Jo\xC3\xA3o\\Configura\xC3\xA7\xC3\xB5"
                                "es\\";

TEST(SystemText, ReachesUtf8Unharmed) {
    EXPECT_EQ(SystemTextToUtf8(kFolder), kFolderUtf8);
    EXPECT_EQ(SystemTextToUtf8("Formato de Hora Inválido:"), "Formato de Hora Inv\xC3\xA1lido:");
    EXPECT_EQ(SystemTextToUtf8("Sinal – Saída"), "Sinal \xE2\x80\x93 Sa\xC3\xAD"
                                                 "da");
    EXPECT_EQ(SystemTextToUtf8(""), "");
}

TEST(SystemText, ComesBackFromUtf8) {
    EXPECT_EQ(Utf8ToSystemText(kFolderUtf8), kFolder);
    EXPECT_EQ(Utf8ToSystemText("Hino \xE2\x80\x9CNacional\xE2\x80\x9D.mp3"), "Hino “Nacional”.mp3");
}

TEST(SystemPath, NamesTheFileTheCLibraryOpens) {
    EXPECT_EQ(SystemPath("Sinal – Saída.mp3"), std::filesystem::path(u8"Sinal – Saída.mp3"));
    EXPECT_EQ(SystemPath("Hino “Nacional”.mp3"), std::filesystem::path(u8"Hino “Nacional”.mp3"));
}

} // namespace
} // namespace sonterra
