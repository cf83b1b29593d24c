// Observers that overrun the 30-second limit; both cases run side by side.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "plugin_message/vuro_plugin_message_run_palette.h"

namespace {

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

std::atomic<bool> woke_up{false};
std::atomic<bool> unwound{false};
std::atomic<int> quick_calls{0};
std::atomic<bool> spinning{false};
std::atomic<bool> release_spinner{false};
std::atomic<bool> spinner_done{false};

struct unwind_witness {
    ~unwind_witness() { unwound = true; }
};

void sleep_40_seconds(const vuro_plugin_request_data&) {
    unwind_witness witness;
    std::this_thread::sleep_for(std::chrono::seconds(40));
    woke_up = true;
}

// Never reaches a point where the thread can be ended until released.
void spin_until_released(const vuro_plugin_request_data&) {
    spinning = true;
    while (!release_spinner.load()) {
    }
    spinner_done = true;
}

void return_at_once(const vuro_plugin_request_data&) { ++quick_calls; }

TEST(run_palette_slow_test, observers_running_past_30_seconds_are_cut_off) {
    // An observer asleep for 40 s is terminated about 100 ms after the 30 s wait.
    auto sleeper = std::async(std::launch::async, [] {
        vuro_plugin_message_run_palette m(0, 0);
        m.set_observer(&sleep_40_seconds);
        const auto start = clock_type::now();
        m.set_request_data(vuro_plugin_request_data{});
        const double took = seconds_since(start);
        // The lock is free again and a new worker runs at once.
        m.set_observer(&return_at_once);
        const auto again = clock_type::now();
        m.set_request_data(vuro_plugin_request_data{});
        return std::make_pair(took, seconds_since(again));
    });
    // An observer that cannot be ended is abandoned: the caller still gets control back,
    // and the message may go while the observer runs on.
    auto spinner = std::async(std::launch::async, [] {
        auto m = std::make_unique<vuro_plugin_message_run_palette>(0, 0);
        m->set_observer(&spin_until_released);
        const auto start = clock_type::now();
        m->set_request_data(vuro_plugin_request_data{});
        const double took = seconds_since(start);
        m.reset();
        return took;
    });

    const auto [sleeper_took, rerun_took] = sleeper.get();
    EXPECT_GE(sleeper_took, 30.0);
    EXPECT_LT(sleeper_took, 32.0);
    EXPECT_TRUE(unwound.load());  // terminated: its stack was unwound, not left asleep
    EXPECT_FALSE(woke_up.load());
    EXPECT_EQ(quick_calls.load(), 1);
    EXPECT_LT(rerun_took, 2.0);

    const double spinner_took = spinner.get();
    EXPECT_TRUE(spinning.load());
    EXPECT_GE(spinner_took, 30.0);
    EXPECT_LT(spinner_took, 33.0);
    EXPECT_FALSE(spinner_done.load());
    // Let the abandoned observer finish after its message is gone; what it touches on
    // the way out is still alive (the sanitizer build checks).
    release_spinner = true;
    while (!spinner_done.load()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

}  // namespace
