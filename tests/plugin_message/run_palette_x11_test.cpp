// The palette notification on a private X server.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "plugin_message/vuro_plugin_message_run_palette.h"
#include "tests/support/x11_test_display.h"

namespace {

using std::chrono::milliseconds;
using units = std::vector<unsigned short>;

class run_palette_x11_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new test_support::x11_test_display(); }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    static test_support::x11_test_display* server;
};
test_support::x11_test_display* run_palette_x11_test::server = nullptr;

TEST_F(run_palette_x11_test, the_notification_reaches_the_window_with_its_value) {
    const std::uint32_t window = server->create_window();
    // Only the low 32 bits of the handle name the window.
    const std::int64_t handle = (std::int64_t{0x5a5a} << 32) | window;
    vuro_plugin_message_run_palette m(handle, -123456);
    const units text = {u'p', u'i', u'n', u'g'};
    ASSERT_EQ(m.send_message(text.data(), 4), 0);

    auto message = server->next_client_message(milliseconds(5000));
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->window, window);
    EXPECT_EQ(message->type_name, "vuro plugin message : palette send");
    EXPECT_EQ(message->format, 32);
    EXPECT_EQ(message->data[0], 0);
    EXPECT_EQ(static_cast<std::int32_t>(message->data[1]), -123456);
    EXPECT_EQ(m.get_size_send_message(), 4u);

    // A second message, and a second notification with its own value.
    vuro_plugin_message_run_palette other(window, 42);
    ASSERT_EQ(other.send_message(text.data(), 1), 0);
    message = server->next_client_message(milliseconds(5000));
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->type_name, "vuro plugin message : palette send");
    EXPECT_EQ(message->data[1], 42);
    EXPECT_FALSE(server->next_client_message(milliseconds(200)).has_value());
}

TEST_F(run_palette_x11_test, a_window_that_does_not_exist_gets_nothing_but_the_text_is_kept) {
    const std::uint32_t window = server->create_window();
    server->destroy_window(window);
    vuro_plugin_message_run_palette m(window, 1);
    const units text = {u'l', u'o', u's', u't'};
    EXPECT_EQ(m.send_message(text.data(), 4), 3);
    EXPECT_EQ(m.get_size_send_message(), 4u);

    // Neither "under the pointer" (0) nor "input focus" (1) is a window.
    vuro_plugin_message_run_palette none(0, 1), focus(1, 1);
    EXPECT_EQ(none.send_message(text.data(), 4), 3);
    EXPECT_EQ(focus.send_message(text.data(), 4), 3);
    EXPECT_FALSE(server->next_client_message(milliseconds(200)).has_value());

    // The connection is still good after the refused requests.
    const std::uint32_t alive = server->create_window();
    vuro_plugin_message_run_palette good(alive, 2);
    EXPECT_EQ(good.send_message(text.data(), 4), 0);
    const auto message = server->next_client_message(milliseconds(5000));
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->window, alive);
}

// Posts once to a private server, ends the server, posts twice more, prints the codes and
// ends the process normally.
void post_across_a_lost_server() {
    const units text = {u'g', u'o', u'n', u'e'};
    auto server = std::make_unique<test_support::x11_test_display>();
    vuro_plugin_message_run_palette m(server->create_window(), 1);
    const int first = m.send_message(text.data(), 4);
    server.reset();
    const int second = m.send_message(text.data(), 4);
    const int third = m.send_message(text.data(), 4);
    std::fprintf(stderr, "codes %d %d %d, text %u\n", first, second, third,
                 m.get_size_send_message());
    std::exit(0);
}

// The library keeps one connection for the life of the process, so the server that goes
// away is tried in a process of its own.
TEST(run_palette_lost_server_test, posts_after_the_server_has_gone_fail_and_the_host_lives_on) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(post_across_a_lost_server(), ::testing::ExitedWithCode(0), "codes 0 3 3, text 4");
}

}  // namespace
