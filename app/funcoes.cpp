#include "app/funcoes.h"

#include "app/application.h"
#include "app/datetime_text.h"
#include "app/format_settings.h"
#include "app/message_box.h"

namespace sonterra {

std::string PadWithZeros(const std::string& text, int width) {
    std::size_t start = 0;
    while (start < text.size() && static_cast<unsigned char>(text[start]) <= 32)
        ++start;
    const std::string trimmed = text.substr(start);
    const long long n = static_cast<long long>(width) - static_cast<long long>(trimmed.size());
    if (n <= 0)
        return text;
    return std::string(static_cast<std::size_t>(n), '0') + trimmed;
}

bool ConfirmBox(const std::string& question) {
    MessageBoxRequest request;
    request.caption = "Tivra Sistemas";
    request.text = question;
    request.icon = BoxIcon::None;
    request.buttons = BoxButtons::OkCancel;
    request.beep = true;
    return showMessageBox(request) == BoxResult::Ok;
}

namespace {

const char* const kPainel = "Entre no Painel de controle (Windows) - (configurações Regionais)";

// Boxes of this check: OK only, no icon, the title the program starts with.
void Notice(const std::string& text) {
    MessageBoxRequest request;
    request.caption = ApplicationTitle();
    request.text = text;
    showMessageBox(request);
}

} // namespace

bool CheckRegionalFormats() {
    const FormatSettings& fs = CurrentFormatSettings();
    bool ok = true;

    DateTime time; // midnight of day zero, kept when the reading fails
    if (const auto read = TextToTime("00:00:00", fs)) {
        time = *read;
    } else {
        ok = false;
        Notice("Formato de Hora Inválido:" + fs.ShortTimeFormat + "\r" + kPainel +
               "\rAltere o formato de Hora para: HH:mm:ss");
    }

    DateTime date;
    if (const auto read = TextToDate("01/01/2003", fs)) {
        date = *read;
    } else {
        ok = false;
        Notice("Formato de Data Inválido:" + fs.ShortDateFormat + "\r" + kPainel +
               "\rAltere o formato de DATA para: dd/MM/aaaa");
    }

    if (TimeToText(time, fs) != "00:00:00") {
        ok = false;
        Notice("O Formato de HORA Padrão do Windows está em modo incompatível com o sistema "
               "Quorvel\r\rCONSULTE QUORVEL SISTEMAS");
        Notice("FORMATO DE HORA ATUAL: " + fs.ShortTimeFormat +
               "\rPARA ALTERAR O FORMATO DO HORA:\r" + kPainel +
               "\rAltere o formato de HORA para: HH:mm:ss");
    }

    if (DateToText(date, fs) != "01/01/2003") {
        ok = false;
        Notice("O Formato de DATA Padrão do Windows está em modo incompatível com o sistema "
               "Quorvel\r\rCONSULTE QUORVEL SISTEMAS");
        Notice("FORMATO DE DATA ATUAL: " + fs.ShortDateFormat + "\rPARA SE TORNAR COMPATÍVEL:\r" +
               kPainel + "\rAltere o formato de DATA para: dd/MM/aaaa");
    }
    return ok;
}

} // namespace sonterra
