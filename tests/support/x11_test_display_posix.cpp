#include "tests/support/x11_test_display.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace test_support {

struct x11_test_display::impl {
    pid_t server = -1;
    std::string name;
    std::optional<std::string> previous_display;
    Display* display = nullptr;
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
    std::vector<std::string> args = {"Xvfb", "-displayfd", "3", "-nolisten", "tcp",
                                     "-terminate", "-screen", "0", "320x240x24"};
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

}  // namespace

x11_test_display::x11_test_display() : impl_(std::make_unique<impl>()) {
    impl_->server = start_server(impl_->name);
    impl_->display = ::XOpenDisplay(impl_->name.c_str());
    if (impl_->display == nullptr) {
        ::kill(impl_->server, SIGKILL);
        ::waitpid(impl_->server, nullptr, 0);
        throw std::runtime_error("cannot connect to Xvfb");
    }
    if (const char* current = std::getenv("DISPLAY")) impl_->previous_display = current;
    ::setenv("DISPLAY", impl_->name.c_str(), 1);
}

x11_test_display::~x11_test_display() {
    ::XCloseDisplay(impl_->display);
    ::kill(impl_->server, SIGTERM);
    ::waitpid(impl_->server, nullptr, 0);
    if (impl_->previous_display)
        ::setenv("DISPLAY", impl_->previous_display->c_str(), 1);
    else
        ::unsetenv("DISPLAY");
}

const std::string& x11_test_display::name() const { return impl_->name; }

std::uint32_t x11_test_display::create_window() {
    Display* display = impl_->display;
    const Window window = ::XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0,
                                                 10, 10, 0, 0, 0);
    ::XSync(display, False);
    return static_cast<std::uint32_t>(window);
}

void x11_test_display::destroy_window(std::uint32_t window) {
    ::XDestroyWindow(impl_->display, window);
    ::XSync(impl_->display, False);
}

std::optional<received_client_message> x11_test_display::next_client_message(
    std::chrono::milliseconds timeout) {
    Display* display = impl_->display;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (::XPending(display) > 0) {
            XEvent event;
            ::XNextEvent(display, &event);
            if (event.type != ClientMessage) continue;
            received_client_message message{};
            message.window = static_cast<std::uint32_t>(event.xclient.window);
            char* type_name = ::XGetAtomName(display, event.xclient.message_type);
            if (type_name != nullptr) {
                message.type_name = type_name;
                ::XFree(type_name);
            }
            message.format = event.xclient.format;
            for (int i = 0; i < 5; ++i) message.data[i] = event.xclient.data.l[i];
            return message;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd ready{ConnectionNumber(display), POLLIN, 0};
        ::poll(&ready, 1, static_cast<int>(left.count()));
    }
}

}  // namespace test_support
