#include "platform/window_notification.h"

#include <X11/Xlib.h>

#include <mutex>

namespace platform {
namespace {

std::mutex connection_mutex;
Display* connection = nullptr;  // guarded by connection_mutex; never closed

Display* open_connection() {
    if (connection == nullptr) connection = ::XOpenDisplay(nullptr);
    return connection;
}

// Xlib reports protocol errors through one process-wide handler. While one of our
// requests is in flight, errors on our connection are recorded here and errors on any
// other connection go on to the handler that was installed before.
XErrorHandler previous_handler = nullptr;
bool error_seen = false;

int record_error(Display* display, XErrorEvent* event) {
    if (display == connection) {
        error_seen = true;
        return 0;
    }
    return previous_handler != nullptr ? previous_handler(display, event) : 0;
}

// Runs `request` on the connection and waits for the server's answer; false when the
// server reported an error for it.
template <class Request>
bool checked(Display* display, Request&& request) {
    ::XSync(display, False);  // leave earlier errors to whoever caused them
    error_seen = false;
    previous_handler = ::XSetErrorHandler(&record_error);
    const bool accepted = request();
    ::XSync(display, False);
    ::XSetErrorHandler(previous_handler);
    previous_handler = nullptr;
    return accepted && !error_seen;
}

}  // namespace

std::uint32_t register_window_message(const char* name) {
    std::lock_guard<std::mutex> hold(connection_mutex);
    Display* display = open_connection();
    if (display == nullptr) return 0;
    Atom atom = None;
    if (!checked(display, [&] {
            atom = ::XInternAtom(display, name, False);
            return atom != None;
        }))
        return 0;
    return static_cast<std::uint32_t>(atom);
}

bool post_window_message(std::uint32_t window, std::uint32_t message, long wparam,
                         long lparam) {
    if (window == PointerWindow || window == InputFocus || message == None) return false;
    std::lock_guard<std::mutex> hold(connection_mutex);
    Display* display = open_connection();
    if (display == nullptr) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = window;
    event.xclient.message_type = message;
    event.xclient.format = 32;
    event.xclient.data.l[0] = wparam;
    event.xclient.data.l[1] = lparam;
    // An empty event mask delivers the event to the client that created the window.
    return checked(display, [&] {
        return ::XSendEvent(display, window, False, NoEventMask, &event) != 0;
    });
}

}  // namespace platform
