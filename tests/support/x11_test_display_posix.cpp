#include "tests/support/x11_test_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace test_support {

struct x11_test_display::impl {
    pid_t server = -1;
    std::string name;
    std::optional<std::string> previous_display;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
};

namespace {

// Starts Xvfb, which picks the first free display and writes its number to fd 3.
pid_t start_server(std::string& name) {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 3);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = {"Xvfb",       "-displayfd", "3", "-nolisten", "tcp",
                                     "-terminate", "-screen",    "0", "320x240x24"};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_fds[1]);
    if (spawned != 0) {
        ::close(pipe_fds[0]);
        throw std::runtime_error("cannot start Xvfb");
    }
    std::string number;
    pollfd ready{pipe_fds[0], POLLIN, 0};
    char unit = 0;
    while (::poll(&ready, 1, 20000) > 0 && ::read(pipe_fds[0], &unit, 1) == 1 && unit != '\n')
        number += unit;
    ::close(pipe_fds[0]);
    if (number.empty()) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        throw std::runtime_error("Xvfb did not report its display");
    }
    name = ":" + number;
    return pid;
}

void stop_server(pid_t server) {
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
}

// The reply's atom name, or empty.
std::string atom_name(xcb_connection_t* connection, xcb_atom_t atom) {
    xcb_get_atom_name_reply_t* reply =
        ::xcb_get_atom_name_reply(connection, ::xcb_get_atom_name(connection, atom), nullptr);
    if (reply == nullptr) return {};
    std::string name(::xcb_get_atom_name_name(reply), ::xcb_get_atom_name_name_length(reply));
    std::free(reply);
    return name;
}

bool accepted(xcb_connection_t* connection, xcb_void_cookie_t cookie) {
    xcb_generic_error_t* error = ::xcb_request_check(connection, cookie);
    std::free(error);
    return error == nullptr;
}

}  // namespace

x11_test_display::x11_test_display() : impl_(std::make_unique<impl>()) {
    impl_->server = start_server(impl_->name);
    int screen_number = 0;
    impl_->connection = ::xcb_connect(impl_->name.c_str(), &screen_number);
    if (::xcb_connection_has_error(impl_->connection) != 0) {
        ::xcb_disconnect(impl_->connection);
        stop_server(impl_->server);
        throw std::runtime_error("cannot connect to Xvfb");
    }
    xcb_screen_iterator_t screens = ::xcb_setup_roots_iterator(::xcb_get_setup(impl_->connection));
    for (int index = 0; index < screen_number; ++index) ::xcb_screen_next(&screens);
    impl_->root = screens.data->root;
    if (const char* current = std::getenv("DISPLAY")) impl_->previous_display = current;
    ::setenv("DISPLAY", impl_->name.c_str(), 1);
}

x11_test_display::~x11_test_display() {
    ::xcb_disconnect(impl_->connection);
    stop_server(impl_->server);
    if (impl_->previous_display)
        ::setenv("DISPLAY", impl_->previous_display->c_str(), 1);
    else
        ::unsetenv("DISPLAY");
}

const std::string& x11_test_display::name() const { return impl_->name; }

std::uint32_t x11_test_display::create_window() {
    xcb_connection_t* connection = impl_->connection;
    const xcb_window_t window = ::xcb_generate_id(connection);
    if (!accepted(connection,
                  ::xcb_create_window_checked(connection, XCB_COPY_FROM_PARENT, window, impl_->root,
                                              0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                                              XCB_COPY_FROM_PARENT, 0, nullptr)))
        throw std::runtime_error("cannot create a window");
    return window;
}

void x11_test_display::destroy_window(std::uint32_t window) {
    accepted(impl_->connection, ::xcb_destroy_window_checked(impl_->connection, window));
}

std::optional<received_client_message> x11_test_display::next_client_message(
    std::chrono::milliseconds timeout) {
    xcb_connection_t* connection = impl_->connection;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (xcb_generic_event_t* event = ::xcb_poll_for_event(connection)) {
            // The high bit marks events sent by another client.
            if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) {
                std::free(event);
                continue;
            }
            const auto& client = *reinterpret_cast<xcb_client_message_event_t*>(event);
            received_client_message message{};
            message.window = client.window;
            message.format = client.format;
            // As Xlib gives them: each 32-bit word sign-extended to a long.
            for (int i = 0; i < 5; ++i)
                message.data[i] = static_cast<std::int32_t>(client.data.data32[i]);
            const xcb_atom_t type = client.type;
            std::free(event);
            message.type_name = atom_name(connection, type);
            return message;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd ready{::xcb_get_file_descriptor(connection), POLLIN, 0};
        ::poll(&ready, 1, static_cast<int>(left.count()));
    }
}

}  // namespace test_support
