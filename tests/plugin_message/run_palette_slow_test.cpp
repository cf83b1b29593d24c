// An observer that overruns the 30-second limit is terminated.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "plugin_message/vuro_plugin_message_run_palette.h"

namespace {

using clock_type = std::chrono::steady_clock;

std::atomic<bool> woke_up{false};
std::atomic<bool> unwound{false};
std::atomic<int> quick_calls{0};

struct unwind_witness {
    ~unwind_witness() { unwound = true; }
};

void sleep_40_seconds(const vuro_plugin_request_data&) {
    unwind_witness witness;
    std::this_thread::sleep_for(std::chrono::seconds(40));
    woke_up = true;
}

void return_at_once(const vuro_plugin_request_data&) { ++quick_calls; }

TEST(run_palette_slow_test, an_observer_sleeping_40_seconds_is_cut_after_about_30) {
    vuro_plugin_message_run_palette m(0, 0);
    m.set_observer(&sleep_40_seconds);
    const auto start = clock_type::now();
    m.set_request_data(vuro_plugin_request_data{});
    const double took = std::chrono::duration<double>(clock_type::now() - start).count();
    EXPECT_GE(took, 30.0);
    EXPECT_LT(took, 32.0);
    EXPECT_TRUE(unwound.load());  // terminated: its stack was unwound, not left asleep
    EXPECT_FALSE(woke_up.load());

    // The lock is free again and a new worker runs at once.
    m.set_observer(&return_at_once);
    const auto again = clock_type::now();
    m.set_request_data(vuro_plugin_request_data{});
    EXPECT_EQ(quick_calls.load(), 1);
    EXPECT_LT(std::chrono::duration<double>(clock_type::now() - again).count(), 2.0);
}

}  // namespace
