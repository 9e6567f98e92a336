#include "app/command_line.h"

#include <string_view>

namespace sonterra {

std::optional<std::string> CommandLineAnswer(int argc, const char* const* argv) {
    for (int i = 1; i < argc && argv && argv[i]; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version")
            return std::string("Sonterra " SONTERRA_VERSION "\n");
        if (arg == "--help")
            return std::string(
                "Uso: sonterra [--help | --version]\n"
                "\n"
                "Toca os sinais da escola nos horários de cada dia da semana e fala a hora\n"
                "certa depois deles. Sem opções, abre a janela do programa; a programação\n"
                "é editada e ativada nela.\n"
                "\n"
                "  --help     mostra este texto e termina\n"
                "  --version  mostra a versão e termina\n"
                "\n"
                "Outros argumentos são ignorados. Guia do operador: man sonterra\n");
    }
    return std::nullopt;
}

} // namespace sonterra
