#include "app/message_box.h"

#include "app/application.h"

#include <cstdio>
#include <utility>

namespace sonterra {

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

// With no window system to ask, the box goes to standard error.
BoxResult WriteToStandardError(const MessageBoxRequest& request) {
    std::string text = request.text;
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    std::fprintf(stderr, "[%s]\n%s\n", request.caption.c_str(), text.c_str());
    return BoxResult::Ok;
}

} // namespace

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

BoxResult showMessageBox(const MessageBoxRequest& request) {
    const MessageBoxHandler& handler = Handler();
    return handler ? handler(request) : WriteToStandardError(request);
}

void ShowMessage(const std::string& text) {
    MessageBoxRequest request;
    request.caption = ApplicationTitle();
    request.text = text;
    showMessageBox(request);
}

} // namespace sonterra
