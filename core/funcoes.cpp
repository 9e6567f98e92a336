#include "core/funcoes.h"

#include "core/application.h"
#include "core/message_box.h"

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
    request.caption = kConfirmCaption;
    request.text = question;
    request.icon = BoxIcon::None;
    request.buttons = BoxButtons::OkCancel;
    request.beep = true;
    return showMessageBox(request) == BoxResult::Ok;
}

} // namespace sonterra
