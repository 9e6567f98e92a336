#include "app/regional_check.h"
#include "app/regional_settings_place.h"
#include "core/application.h"
#include "core/datetime_text.h"
#include "core/format_settings.h"
#include "core/message_box.h"
#include "core/system_text.h"

#include <string>

namespace sonterra {

namespace {

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
    // The formats are the system's text; the boxes are the program's.
    const std::string timeFormat = SystemTextToUtf8(fs.ShortTimeFormat);
    const std::string dateFormat = SystemTextToUtf8(fs.ShortDateFormat);
    const std::string painel = RegionalSettingsPlace();
    const std::string system = SystemName();
    bool ok = true;

    DateTime time; // midnight of day zero, kept when the reading fails
    if (const auto read = TextToTime("00:00:00", fs)) {
        time = *read;
    } else {
        ok = false;
        Notice("Formato de Hora Inválido:" + timeFormat + "\r" + painel +
               "\rAltere o formato de Hora para: HH:mm:ss");
    }

    DateTime date;
    if (const auto read = TextToDate("01/01/2003", fs)) {
        date = *read;
    } else {
        ok = false;
        Notice("Formato de Data Inválido:" + dateFormat + "\r" + painel +
               "\rAltere o formato de DATA para: dd/MM/aaaa");
    }

    if (TimeToText(time, fs) != "00:00:00") {
        ok = false;
        Notice("O Formato de HORA Padrão do " + system +
               " está em modo incompatível com o sistema Quorvel\r\rCONSULTE QUORVEL SISTEMAS");
        Notice("FORMATO DE HORA ATUAL: " + timeFormat + "\rPARA ALTERAR O FORMATO DO HORA:\r" +
               painel + "\rAltere o formato de HORA para: HH:mm:ss");
    }

    if (DateToText(date, fs) != "01/01/2003") {
        ok = false;
        Notice("O Formato de DATA Padrão do " + system +
               " está em modo incompatível com o sistema Quorvel\r\rCONSULTE QUORVEL SISTEMAS");
        Notice("FORMATO DE DATA ATUAL: " + dateFormat + "\rPARA SE TORNAR COMPATÍVEL:\r" + painel +
               "\rAltere o formato de DATA para: dd/MM/aaaa");
    }
    return ok;
}

} // namespace sonterra
