// Observers that overrun the 30-second limit; the cases run side by side.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "plugin_message/vuro_plugin_message_run_palette.h"

namespace {

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

std::mutex gate_mutex;
std::condition_variable gate_changed;
bool gate_open = false;
std::atomic<int> observers_done{0};
std::atomic<int> quick_calls{0};

// Blocks until the test opens the gate (or a minute and a half has passed).
void wait_at_gate() {
    std::unique_lock<std::mutex> hold(gate_mutex);
    gate_changed.wait_for(hold, std::chrono::seconds(90), [] { return gate_open; });
}

// Host observers as they are written: plain, with a catch-all around the blocking call,
// noexcept.
void plain_observer(const vuro_plugin_request_data&) {
    wait_at_gate();
    ++observers_done;
}

void catch_all_observer(const vuro_plugin_request_data&) {
    try {
        wait_at_gate();
    } catch (...) {
    }
    ++observers_done;
}

void noexcept_observer(const vuro_plugin_request_data&) noexcept {
    wait_at_gate();
    ++observers_done;
}

void return_at_once(const vuro_plugin_request_data&) { ++quick_calls; }

TEST(run_palette_slow_test, observers_running_past_30_seconds_are_abandoned_not_cancelled) {
    const vuro_plugin_message_run_palette::observer observers[] = {
        &plain_observer, &catch_all_observer, &noexcept_observer};
    std::vector<std::future<std::pair<double, double>>> runs;
    for (const auto observer : observers) {
        runs.push_back(std::async(std::launch::async, [observer] {
            auto m = std::make_unique<vuro_plugin_message_run_palette>(0, 0);
            m->set_observer(observer);
            const auto start = clock_type::now();
            m->set_request_data(vuro_plugin_request_data{});
            const double took = seconds_since(start);
            // The lock is free again and a new worker runs at once.
            m->set_observer(&return_at_once);
            const auto again = clock_type::now();
            m->set_request_data(vuro_plugin_request_data{});
            const double rerun_took = seconds_since(again);
            m.reset();  // the message may go while the abandoned observer runs on
            return std::make_pair(took, rerun_took);
        }));
    }
    for (auto& run : runs) {
        const auto [took, rerun_took] = run.get();
        EXPECT_GE(took, 30.0);
        EXPECT_LT(took, 32.0);
        EXPECT_LT(rerun_took, 2.0);
    }
    EXPECT_EQ(quick_calls.load(), 3);
    EXPECT_EQ(observers_done.load(), 0);  // each still waiting, none cut off

    // Let the abandoned observers finish after their messages are gone; what they touch
    // on the way out is still alive (the sanitizer build checks).
    {
        std::lock_guard<std::mutex> hold(gate_mutex);
        gate_open = true;
    }
    gate_changed.notify_all();
    const auto start = clock_type::now();
    while (observers_done.load() < 3 && seconds_since(start) < 10.0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(observers_done.load(), 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

}  // namespace
