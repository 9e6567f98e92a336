// BassErrorText: every worded code, and the form for all the others.

#include "audio/bass_error_text.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace sonterra {
namespace {

struct Worded {
    int code;
    const char* text;
};

const Worded kWorded[] = {
    {1, "Cod:BS1 - Erro de Memória"},
    {2, "Cod:BS2 - Erro ao Abrir Arquivo"},
    {3, "Cod:BS3 - Não encontrado Driver de Som"},
    {4, "Cod:BS4 - Buffer Perdido"},
    {5, "Cod:BS5 - Handle inválido"},
    {6, "Cod:BS6 - Formato não suportado"},
    {7, "Cod:BS7 - Posição de Play inválida"},
    {8, "Cod:BS8 - Erro na Inicialização"},
    {9, "Cod:BS9 - Erro no Start"},
    {10, "Cod:BS10 - Não inicializado CD"},
    {11, "Cod:BS11 - CDINIT Não inicializado CD"},
    {12, "Cod:BS12 - Não há CD no Drive"},
    {13, "Cod:BS13 - Não foi possível encontrar Trilha do CD"},
    {14, "Cod:BS14 - Sistema Já inicializado"},
    {15, "Cod:BS15 - Não há controle de volume (cd)"},
    {16, "Cod:BS16 - Não Pausado"},
    {17, "Cod:BS17 - Faixa Sem áudio"},
    {18, "Cod:BS18 - Não foi possível descarregar o canal (free)"},
    {19, "Cod:BS19 - Tipo especificado Ilegal"},
    {20, "Cod:BS20 - Parametro especificado Ilegal"},
    {21, "Cod:BS21 - 3D não suportado"},
    {22, "Cod:BS22 - EAX não suportado"},
    {23, "Cod:BS23 - Número inválido para Device"},
    {24, "Cod:BS24 - Não está tocando"},
    {25, "Cod:BS25 - Sample Rate inválido"},
    {26, "Cod:BS26 - A3D.DLL não intalado"},
    {27, "Cod:BS27 - O Stream não é um arquivo Stream (WAV/MP3)"},
    {29, "Cod:BS29 - Não há hardware Disponível"},
    {30, "Cod:BS30 - Sincronismo desativado"},
    {31, "Cod:BS31 - O MOD MUSIC não está com os dados na sequencia"},
    {32, "Cod:BS32 - Não foi encontrato conexão de Internet"},
    {33, "Cod:BS33 - Não foi possível criar o Arquivo"},
    {34, "Cod:BS34 - Efeito não está disponível"},
    {35, "Cod:BS35 - Canal está tocando"},
    {37, "Cod:BS37 - Dados requeridos não disponíveis"},
    {38, "Cod:BS38 - O canal -  DECODIFICANDO CANAL"},
    {39, "Cod:BS39 - Versão atual do Directx não suporta"},
    {40, "Cod:BS40 - Tempo de conexão espirou"},
    {41, "Cod:BS41 - Formato não suportado"},
    {42, "Cod:BS42 - SPEAK indisponivel"},
    {1000, "Cod:BS1000 - Arquivo com Proteção (licença)"},
    {1001, "Cod:BS1001 - Windows Media 9 ou Superior não instalado"},
    {1002, "Cod:BS1002 - Acesso não permitido / usuário ou senha inválido"},
};

TEST(BassErrorText, EveryWordedCode) {
    for (const Worded& row : kWorded)
        EXPECT_EQ(BassErrorText(row.code), row.text) << "code " << row.code;
}

TEST(BassErrorText, CodesWithoutWordsTakeTheUndefinedForm) {
    EXPECT_EQ(BassErrorText(0), "CODIGO: BS(0) Erro Indefinido");
    EXPECT_EQ(BassErrorText(28), "CODIGO: BS(28) Erro Indefinido");
    EXPECT_EQ(BassErrorText(36), "CODIGO: BS(36) Erro Indefinido");
    EXPECT_EQ(BassErrorText(-1), "CODIGO: BS(-1) Erro Indefinido");
    EXPECT_EQ(BassErrorText(-41), "CODIGO: BS(-41) Erro Indefinido");
    EXPECT_EQ(BassErrorText(43), "CODIGO: BS(43) Erro Indefinido");
    EXPECT_EQ(BassErrorText(999), "CODIGO: BS(999) Erro Indefinido");
    EXPECT_EQ(BassErrorText(1003), "CODIGO: BS(1003) Erro Indefinido");
    std::set<int> worded;
    for (const Worded& row : kWorded)
        worded.insert(row.code);
    for (int code = -300; code <= 1100; ++code) {
        if (worded.count(code) == 0) {
            EXPECT_EQ(BassErrorText(code),
                      "CODIGO: BS(" + std::to_string(code) + ") Erro Indefinido");
        }
    }
}

TEST(BassErrorText, OnlyTheLowSixteenBitsCountWithTheirSign) {
    EXPECT_EQ(BassErrorText(65535), "CODIGO: BS(-1) Erro Indefinido");
    EXPECT_EQ(BassErrorText(65536 + 2), "Cod:BS2 - Erro ao Abrir Arquivo");
    EXPECT_EQ(BassErrorText(-65536 + 41), "Cod:BS41 - Formato não suportado");
    EXPECT_EQ(BassErrorText(32768), "CODIGO: BS(-32768) Erro Indefinido");
    EXPECT_EQ(BassErrorText(32767), "CODIGO: BS(32767) Erro Indefinido");
}

TEST(BassErrorText, SixAndFortyOneShareTheirWords) {
    EXPECT_EQ(BassErrorText(6), "Cod:BS6 - Formato não suportado");
    EXPECT_EQ(BassErrorText(41), "Cod:BS41 - Formato não suportado");
    EXPECT_EQ(BassErrorText(38), "Cod:BS38 - O canal -  DECODIFICANDO CANAL");
}

} // namespace
} // namespace sonterra
