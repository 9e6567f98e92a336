// BassErrorText: the library's error codes in the operator's words.

#include "audio/bass_error_text.h"

#include <cstdint>
#include <string_view>

namespace sonterra {

namespace {

struct ErrorRow {
    int code;
    std::string_view text;
};

// 28 and 36 have no words of their own.
constexpr ErrorRow kErrorTexts[] = {
    {1, " - Erro de Memória"},
    {2, " - Erro ao Abrir Arquivo"},
    {3, " - Não encontrado Driver de Som"},
    {4, " - Buffer Perdido"},
    {5, " - Handle inválido"},
    {6, " - Formato não suportado"},
    {7, " - Posição de Play inválida"},
    {8, " - Erro na Inicialização"},
    {9, " - Erro no Start"},
    {10, " - Não inicializado CD"},
    {11, " - CDINIT Não inicializado CD"},
    {12, " - Não há CD no Drive"},
    {13, " - Não foi possível encontrar Trilha do CD"},
    {14, " - Sistema Já inicializado"},
    {15, " - Não há controle de volume (cd)"},
    {16, " - Não Pausado"},
    {17, " - Faixa Sem áudio"},
    {18, " - Não foi possível descarregar o canal (free)"},
    {19, " - Tipo especificado Ilegal"},
    {20, " - Parametro especificado Ilegal"},
    {21, " - 3D não suportado"},
    {22, " - EAX não suportado"},
    {23, " - Número inválido para Device"},
    {24, " - Não está tocando"},
    {25, " - Sample Rate inválido"},
    {26, " - A3D.DLL não intalado"},
    {27, " - O Stream não é um arquivo Stream (WAV/MP3)"},
    {29, " - Não há hardware Disponível"},
    {30, " - Sincronismo desativado"},
    {31, " - O MOD MUSIC não está com os dados na sequencia"},
    {32, " - Não foi encontrato conexão de Internet"},
    {33, " - Não foi possível criar o Arquivo"},
    {34, " - Efeito não está disponível"},
    {35, " - Canal está tocando"},
    {37, " - Dados requeridos não disponíveis"},
    {38, " - O canal -  DECODIFICANDO CANAL"},
    {39, " - Versão atual do Directx não suporta"},
    {40, " - Tempo de conexão espirou"},
    {41, " - Formato não suportado"},
    {42, " - SPEAK indisponivel"},
    {1000, " - Arquivo com Proteção (licença)"},
    {1001, " - Windows Media 9 ou Superior não instalado"},
    {1002, " - Acesso não permitido / usuário ou senha inválido"},
};

} // namespace

std::string BassErrorText(int code) {
    // Only the low 16 bits count, with their sign: 65535 is -1.
    const int value = static_cast<std::int16_t>(static_cast<std::uint16_t>(code & 0xFFFF));
    const std::string number = std::to_string(value);
    for (const ErrorRow& row : kErrorTexts) {
        if (row.code == value)
            return "Cod:BS" + number + std::string(row.text);
    }
    return "CODIGO: BS(" + number + ") Erro Indefinido";
}

} // namespace sonterra
