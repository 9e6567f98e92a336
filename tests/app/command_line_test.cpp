// --version and --help are answered; any other argument starts the program.

#include "app/command_line.h"

#include <gtest/gtest.h>

namespace sonterra {
namespace {

TEST(CommandLine, AnswersVersionAndHelpAndIgnoresTheRest) {
    const char* version[] = {"sonterra", "-x", "--version", "--help"};
    EXPECT_EQ(CommandLineAnswer(4, version), "Sonterra " SONTERRA_VERSION "\n");
    const char* help[] = {"sonterra", "--help", "--version"};
    const auto text = CommandLineAnswer(3, help);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->substr(0, 35), "Uso: sonterra [--help | --version]\n");
    EXPECT_NE(text->find("  --version  mostra a versão e termina\n"), std::string::npos);

    const char* others[] = {"sonterra", "-version", "--Help", "/tmp/x", "--version=1"};
    EXPECT_FALSE(CommandLineAnswer(5, others));
    EXPECT_FALSE(CommandLineAnswer(1, others));
    EXPECT_FALSE(CommandLineAnswer(0, nullptr));
}

} // namespace
} // namespace sonterra
