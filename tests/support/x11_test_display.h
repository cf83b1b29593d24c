#pragma once
// A private X server (Xvfb on a free display) for tests of window notifications, with
// one client connection of the test's own that can create windows and receive the
// ClientMessage events sent to them. DISPLAY names the server while the object lives.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace test_support {

struct received_client_message {
    std::uint32_t window;
    std::string type_name;  // name of the message type atom
    int format;
    long data[5];
};

class x11_test_display {
public:
    // Throws std::runtime_error when the server cannot be started or reached.
    x11_test_display();
    ~x11_test_display();  // closes the connection and stops the server
    x11_test_display(const x11_test_display&) = delete;
    x11_test_display& operator=(const x11_test_display&) = delete;

    const std::string& name() const;  // ":N"
    std::uint32_t create_window();
    void destroy_window(std::uint32_t window);
    // The next ClientMessage that reaches one of our windows, or none within `timeout`.
    std::optional<received_client_message> next_client_message(std::chrono::milliseconds timeout);

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

}  // namespace test_support
