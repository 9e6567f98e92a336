// Says whether the user's regional formats would let the program start:
// prints the boxes the start-up check would show, exits 0 when it passes.

#include "app/program_locale.h"
#include "app/regional_check.h"
#include "core/message_box.h"

#include <cstdio>

int main() {
    // Judged as the program would judge them, with its own copy of a locale
    // the system lacks.
    sonterra::UseProgramLocaleWhereMissing();
    sonterra::setMessageBoxHandler([](const sonterra::MessageBoxRequest& request) {
        std::string text = request.text;
        for (char& c : text)
            if (c == '\r')
                c = '\n';
        std::printf("[%s]\n%s\n\n", request.caption.c_str(), text.c_str());
        return sonterra::BoxResult::Ok;
    });
    return sonterra::CheckRegionalFormats() ? 0 : 1;
}
