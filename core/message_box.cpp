#include "core/message_box.h"

#include "core/application.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

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

struct Waiting {
    MessageBoxRequest request;
    int turnedAway = 0; // boxes the bound kept out after this one
};

struct Afterwards {
    int depth = 0;
    std::deque<Waiting> queued;
    std::vector<MessageBoxRequest> showing; // boxes whose handler has not returned yet
    BoxPoster poster;
    bool posted = false; // a ShowQueuedInOrder is posted or running
};

Afterwards& Later() {
    static Afterwards later;
    return later;
}

bool SameBox(const MessageBoxRequest& a, const MessageBoxRequest& b) {
    return a.caption == b.caption && a.text == b.text && a.icon == b.icon &&
           a.buttons == b.buttons && a.beep == b.beep;
}

bool Among(const MessageBoxRequest& request, const std::vector<MessageBoxRequest>& boxes) {
    return std::any_of(boxes.begin(), boxes.end(),
                       [&](const MessageBoxRequest& b) { return SameBox(b, request); });
}

bool Among(const MessageBoxRequest& request, const std::deque<Waiting>& boxes) {
    return std::any_of(boxes.begin(), boxes.end(),
                       [&](const Waiting& b) { return SameBox(b.request, request); });
}

class Showing {
public:
    explicit Showing(const MessageBoxRequest& request) : request_(request) {
        Later().showing.push_back(request);
    }
    ~Showing() {
        auto& showing = Later().showing;
        const auto it = std::find_if(showing.begin(), showing.end(),
                                     [this](const auto& b) { return SameBox(b, request_); });
        if (it != showing.end())
            showing.erase(it);
    }
    Showing(const Showing&) = delete;
    Showing& operator=(const Showing&) = delete;

private:
    const MessageBoxRequest& request_;
};

// key is the box as raised, what a later one is compared with; shown may
// carry more text.
BoxResult Show(const MessageBoxRequest& key, const MessageBoxRequest& shown) {
    const Showing showing(key);
    // A copy: a handler may be replaced while its box is open.
    const MessageBoxHandler handler = Handler();
    return handler ? handler(shown) : WriteToStandardError(shown);
}

BoxResult Show(const MessageBoxRequest& request) {
    return Show(request, request);
}

std::string TurnedAwayNote(int count) {
    return count == 1 ? "Mais 1 aviso não foi mostrado."
                      : "Mais " + std::to_string(count) + " avisos não foram mostrados.";
}

void ShowNextQueued() {
    Afterwards& later = Later();
    if (later.queued.empty())
        return;
    const Waiting next = std::move(later.queued.front());
    later.queued.pop_front();
    MessageBoxRequest shown = next.request;
    if (next.turnedAway > 0)
        shown.text += std::string("\r\r") + TurnedAwayNote(next.turnedAway);
    Show(next.request, shown);
}

// One box at a time, in the order they were raised: the next opens when the
// previous one closes, and boxes raised meanwhile (its modal loop runs the
// ticks) join the end of the queue.
void ShowQueuedInOrder() {
    Afterwards& later = Later();
    struct Done {
        ~Done() { Later().posted = false; }
    } done;
    while (!later.queued.empty())
        ShowNextQueued();
}

void Queue(const MessageBoxRequest& request) {
    Afterwards& later = Later();
    if (Among(request, later.queued) || Among(request, later.showing))
        return;
    if (later.queued.size() + later.showing.size() >= kMaxBoxesAfterwards) {
        // The last box waiting says how many more there were.
        if (!later.queued.empty())
            ++later.queued.back().turnedAway;
        WriteToStandardError(request);
        return;
    }
    later.queued.push_back({request, 0});
    if (later.poster && !later.posted) {
        later.posted = true;
        later.poster(&ShowQueuedInOrder);
    }
}

} // namespace

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

BoxResult showMessageBox(const MessageBoxRequest& request) {
    // Only a box whose answer nobody reads can wait.
    if (Later().depth > 0 && request.buttons == BoxButtons::Ok) {
        Queue(request);
        return BoxResult::Ok;
    }
    return Show(request);
}

BoxesAfterwards::BoxesAfterwards() {
    ++Later().depth;
}

BoxesAfterwards::~BoxesAfterwards() {
    Afterwards& later = Later();
    if (--later.depth > 0 || later.poster)
        return;
    // No event loop to post to: shown now, once the caller's work is done.
    while (!later.queued.empty())
        ShowNextQueued();
}

BoxPoster setBoxPoster(BoxPoster poster) {
    Later().posted = false; // a task posted through the old poster is its own business
    return std::exchange(Later().poster, std::move(poster));
}

void ShowMessage(const std::string& text) {
    MessageBoxRequest request;
    request.caption = ApplicationTitle();
    request.text = text;
    showMessageBox(request);
}

} // namespace sonterra
