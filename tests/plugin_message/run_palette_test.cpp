// The palette message without a display, and its observer runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "plugin_message/vuro_plugin_message_run_palette.h"
#include "tests/support/environment.h"

namespace {

using clock_type = std::chrono::steady_clock;
using std::chrono::milliseconds;
using units = std::vector<unsigned short>;

long long ms_since(clock_type::time_point start) {
    return std::chrono::duration_cast<milliseconds>(clock_type::now() - start).count();
}

std::u16string sent_text(const vuro_plugin_message_run_palette& m) {
    const unsigned int length = m.get_size_send_message();
    auto buffer = std::make_unique<unsigned short[]>(length);
    EXPECT_TRUE(m.get_send_message(buffer.get(), length));
    return std::u16string(buffer.get(), buffer.get() + length);
}

class run_palette_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_support::set_environment("DISPLAY", std::nullopt); }
};

TEST_F(run_palette_test, without_a_display_nothing_is_posted_but_the_text_is_kept) {
    vuro_plugin_message_run_palette m(0x1234, 7);
    const units text = {u'h', u'i'};
    EXPECT_EQ(m.send_message(text.data(), 2), 3);
    EXPECT_EQ(sent_text(m), u"hi");
    EXPECT_EQ(m.send_message(text.data(), 2), 3);  // tried again, still no display

    EXPECT_EQ(m.send_message(text.data(), 0), 3);  // length 0: nothing stored
    EXPECT_EQ(sent_text(m), u"hi");
    EXPECT_EQ(m.send_message(nullptr, 0), 3);
    EXPECT_EQ(m.send_message(nullptr, 4), 2);  // unreadable text: refused, old kept
    EXPECT_EQ(sent_text(m), u"hi");
}

TEST_F(run_palette_test, long_texts_are_cut_to_10240_and_a_nul_ends_the_text) {
    vuro_plugin_message_run_palette m(0, 0);
    const units long_text(20000, u'z');
    EXPECT_EQ(m.send_message(long_text.data(), 20000), 3);
    EXPECT_EQ(m.get_size_send_message(), 10240u);
    EXPECT_EQ(sent_text(m), std::u16string(10240, u'z'));

    const units with_nul = {u'a', u'b', 0, u'c'};
    m.send_message(with_nul.data(), 4);
    EXPECT_EQ(sent_text(m), u"ab");
}

TEST_F(run_palette_test, get_send_message_needs_room_for_the_whole_text) {
    vuro_plugin_message_run_palette m(0, 0);
    EXPECT_EQ(m.get_size_send_message(), 0u);
    EXPECT_TRUE(m.get_send_message(nullptr, 0));
    const units text = {u'a', u'b', u'c'};
    m.send_message(text.data(), 3);
    units buffer(5, 0xBEEF);
    EXPECT_FALSE(m.get_send_message(buffer.data(), 2));
    EXPECT_EQ(buffer, units(5, 0xBEEF));
    EXPECT_TRUE(m.get_send_message(buffer.data(), 3));
    EXPECT_EQ(buffer, (units{u'a', u'b', u'c', 0xBEEF, 0xBEEF}));  // no terminator
}

// What the observers saw.
std::atomic<int> calls{0};
vuro_plugin_request_data seen{};
const vuro_plugin_request_data* seen_address = nullptr;
std::thread::id seen_thread;
std::atomic<int> running{0};
std::atomic<int> most_running{0};

void record(const vuro_plugin_request_data& request) {
    seen = request;
    seen_address = &request;
    seen_thread = std::this_thread::get_id();
    ++calls;
}

void throw_up(const vuro_plugin_request_data&) {
    ++calls;
    throw std::runtime_error("observer failed");
}

void take_a_while(const vuro_plugin_request_data&) {
    const int now = ++running;
    int most = most_running.load();
    while (now > most && !most_running.compare_exchange_weak(most, now)) {
    }
    std::this_thread::sleep_for(milliseconds(150));
    --running;
    ++calls;
}

vuro_plugin_request_data patterned(unsigned char seed) {
    vuro_plugin_request_data request;
    for (std::size_t i = 0; i < sizeof request.bytes; ++i)
        request.bytes[i] = static_cast<unsigned char>(i * 7 + seed);
    return request;
}

TEST_F(run_palette_test, the_observer_gets_an_exact_copy_on_another_thread) {
    vuro_plugin_message_run_palette m(0, 0);
    m.set_observer(&record);
    calls = 0;
    const vuro_plugin_request_data request = patterned(3);
    const auto start = clock_type::now();
    m.set_request_data(request);
    EXPECT_LT(ms_since(start), 2000);
    ASSERT_EQ(calls.load(), 1);
    EXPECT_EQ(std::memcmp(seen.bytes, request.bytes, sizeof request.bytes), 0);
    EXPECT_NE(seen_address, &request);  // a copy, not the caller's record
    EXPECT_NE(seen_thread, std::this_thread::get_id());

    const vuro_plugin_request_data second = patterned(11);
    m.set_request_data(second);
    EXPECT_EQ(calls.load(), 2);
    EXPECT_EQ(std::memcmp(seen.bytes, second.bytes, sizeof second.bytes), 0);
}

TEST_F(run_palette_test, without_an_observer_nothing_runs) {
    vuro_plugin_message_run_palette m(0, 0);
    calls = 0;
    const auto start = clock_type::now();
    m.set_request_data(patterned(1));
    m.set_observer(&record);
    m.set_observer(nullptr);  // removes it again
    m.set_request_data(patterned(2));
    EXPECT_LT(ms_since(start), 1000);
    EXPECT_EQ(calls.load(), 0);
}

TEST_F(run_palette_test, a_throwing_observer_is_shielded_and_the_message_stays_usable) {
    vuro_plugin_message_run_palette m(0, 0);
    calls = 0;
    m.set_observer(&throw_up);
    const auto start = clock_type::now();
    EXPECT_NO_THROW(m.set_request_data(patterned(1)));
    EXPECT_LT(ms_since(start), 2000);  // the event was set all the same
    EXPECT_EQ(calls.load(), 1);
    m.set_observer(&record);
    m.set_request_data(patterned(5));
    EXPECT_EQ(calls.load(), 2);
    EXPECT_EQ(seen.bytes[100], patterned(5).bytes[100]);
}

TEST_F(run_palette_test, observer_runs_of_several_callers_never_overlap) {
    vuro_plugin_message_run_palette m(0, 0);
    calls = 0;
    running = 0;
    most_running = 0;
    m.set_observer(&take_a_while);
    std::vector<std::thread> callers;
    for (int i = 0; i < 3; ++i)
        callers.emplace_back(
            [&m, i] { m.set_request_data(patterned(static_cast<unsigned char>(i))); });
    for (auto& caller : callers) caller.join();
    EXPECT_EQ(calls.load(), 3);
    EXPECT_EQ(most_running.load(), 1);
}

}  // namespace
