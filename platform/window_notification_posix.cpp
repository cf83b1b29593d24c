#include "platform/window_notification.h"

#include <pthread.h>
#include <signal.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

// Writing to a connection the server has just closed raises SIGPIPE, whose default action
// ends the process. For the length of a call the signal is held back on the calling
// thread only, and one raised meanwhile is taken away.
class sigpipe_held_back {
public:
    sigpipe_held_back() {
        ::sigemptyset(&pipe_);
        ::sigaddset(&pipe_, SIGPIPE);
        was_pending_ = pending();
        ::pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
    }
    ~sigpipe_held_back() {
        if (!was_pending_ && pending()) {
            const timespec no_wait{0, 0};
            ::sigtimedwait(&pipe_, nullptr, &no_wait);
        }
        ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    sigpipe_held_back(const sigpipe_held_back&) = delete;
    sigpipe_held_back& operator=(const sigpipe_held_back&) = delete;

private:
    static bool pending() {
        sigset_t set;
        return ::sigpending(&set) == 0 && ::sigismember(&set, SIGPIPE) == 1;
    }
    sigset_t pipe_;
    sigset_t previous_;
    bool was_pending_;
};

// XCB reports every failure on the request or the connection itself, so nothing here
// touches process-wide state (unlike Xlib's error handlers, whose default for a lost
// connection ends the process).
std::mutex connection_mutex;
xcb_connection_t* connection = nullptr;  // guarded by connection_mutex
bool connection_lost = false;            // guarded by connection_mutex

// The connection to the display named by DISPLAY, opened on first use; null while none
// can be opened and for good once the server has closed it.
xcb_connection_t* open_connection() {
    if (connection_lost) return nullptr;
    if (connection == nullptr) {
        xcb_connection_t* opened = ::xcb_connect(nullptr, nullptr);
        if (::xcb_connection_has_error(opened) != 0) {
            ::xcb_disconnect(opened);  // frees the error object xcb_connect returns
            return nullptr;
        }
        connection = opened;
    }
    if (::xcb_connection_has_error(connection) != 0) {
        // Window ids and atoms belong to the server that went away; another server on
        // the same display would read them as its own, so no new connection is made.
        ::xcb_disconnect(connection);
        connection = nullptr;
        connection_lost = true;
    }
    return connection;
}

// True when the server accepted the request and the connection is still up.
bool succeeded(xcb_connection_t* display, xcb_generic_error_t* error) {
    std::free(error);
    return error == nullptr && ::xcb_connection_has_error(display) == 0;
}

}  // namespace

std::uint32_t register_window_message(const char* name) {
    std::lock_guard<std::mutex> hold(connection_mutex);
    const sigpipe_held_back no_sigpipe;
    xcb_connection_t* display = open_connection();
    if (display == nullptr) return 0;
    const auto length = static_cast<std::uint16_t>(std::strlen(name));
    xcb_generic_error_t* error = nullptr;
    xcb_intern_atom_reply_t* reply =
        ::xcb_intern_atom_reply(display, ::xcb_intern_atom(display, 0, length, name), &error);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return succeeded(display, error) ? atom : 0;
}

bool post_window_message(std::uint32_t window, std::uint32_t message, long wparam, long lparam) {
    if (window == XCB_SEND_EVENT_DEST_POINTER_WINDOW || window == XCB_SEND_EVENT_DEST_ITEM_FOCUS ||
        message == XCB_ATOM_NONE)
        return false;
    std::lock_guard<std::mutex> hold(connection_mutex);
    const sigpipe_held_back no_sigpipe;
    xcb_connection_t* display = open_connection();
    if (display == nullptr) return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = message;
    event.data.data32[0] = static_cast<std::uint32_t>(wparam);
    event.data.data32[1] = static_cast<std::uint32_t>(lparam);
    // An empty event mask delivers the event to the client that created the window. The
    // check waits for the server's answer.
    const xcb_void_cookie_t cookie = ::xcb_send_event_checked(
        display, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    return succeeded(display, ::xcb_request_check(display, cookie));
}

}  // namespace platform
