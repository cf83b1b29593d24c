#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

#include "plugin_message/internal/signal_event.h"
#include "plugin_message/internal/thread_access.h"
#include "plugin_message/internal/thread_utility.h"

namespace {

using clock_type = std::chrono::steady_clock;
using std::chrono::milliseconds;

long long ms_since(clock_type::time_point start) {
    return std::chrono::duration_cast<milliseconds>(clock_type::now() - start).count();
}

TEST(thread_utility_test, holder_may_lock_again_and_others_wait_for_the_last_unlock) {
    thread_utility lock;
    lock.lock();
    lock.lock();  // re-entry by the holder succeeds at once
    lock.unlock();

    auto contender = std::async(std::launch::async, [&] {
        const auto start = clock_type::now();
        lock.lock();
        const long long waited = ms_since(start);
        lock.unlock();
        return waited;
    });
    std::this_thread::sleep_for(milliseconds(350));
    const auto release_time = clock_type::now();
    lock.unlock();  // the second unlock frees it
    const long long waited = contender.get();
    EXPECT_GE(waited, 300);
    // Polling every 100 ms: the contender gets the lock soon after the release.
    EXPECT_LT(ms_since(release_time), 400);
}

TEST(signal_event_test, a_set_event_stays_set_until_reset) {
    signal_event event;
    event.set();
    const auto start = clock_type::now();
    EXPECT_TRUE(event.wait_signal());
    EXPECT_TRUE(event.wait_signal());  // manual reset: still signalled
    EXPECT_LT(ms_since(start), 100);
}

TEST(signal_event_test, a_reset_event_waits_for_the_next_set) {
    signal_event event;
    event.set();
    event.reset();
    auto setter = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(milliseconds(200));
        event.set();
    });
    const auto start = clock_type::now();
    EXPECT_TRUE(event.wait_signal());
    EXPECT_GE(ms_since(start), 150);
    EXPECT_LT(ms_since(start), 5000);
    setter.get();
}

std::atomic<int> ticks{0};
std::atomic<bool> finished{false};
std::atomic<bool> release_tickers{false};
std::atomic<int> tickers_done{0};

unsigned return_seven(void*) { return 7; }

// Host code as it may be: blocking calls under a catch-all, noexcept.
unsigned tick_until_released(void*) noexcept {
    try {
        while (!release_tickers.load()) {
            ++ticks;
            std::this_thread::sleep_for(milliseconds(5));
        }
    } catch (...) {
    }
    ++tickers_done;
    return 0;
}

// True when a ticker still runs: the count moves within a generous while.
bool ticking() {
    const int before = ticks.load();
    const auto start = clock_type::now();
    while (ticks.load() == before && ms_since(start) < 5000)
        std::this_thread::sleep_for(milliseconds(5));
    return ticks.load() != before;
}

// Lets every ticker still running end, and waits for `count` of them to have ended.
void release_tickers_until_done(int count) {
    release_tickers = true;
    const auto start = clock_type::now();
    while (tickers_done.load() < count && ms_since(start) < 10000)
        std::this_thread::sleep_for(milliseconds(5));
    EXPECT_EQ(tickers_done.load(), count);
    release_tickers = false;
    tickers_done = 0;
}

unsigned finish_after_200_ms(void*) {
    std::this_thread::sleep_for(milliseconds(200));
    finished = true;
    return 0;
}

unsigned echo_argument(void* argument) { return *static_cast<unsigned*>(argument); }

TEST(thread_access_test, stopping_a_finished_worker_keeps_its_exit_code) {
    thread_access worker(&return_seven);
    ASSERT_TRUE(worker.start_thread(nullptr));
    worker.stop(5000);
    EXPECT_FALSE(worker.holds_thread());
    EXPECT_EQ(worker.last_exit_code(), 7u);

    thread_access echo(&echo_argument);
    unsigned value = 42;
    ASSERT_TRUE(echo.start_thread(&value));
    echo.stop(5000);
    EXPECT_EQ(echo.last_exit_code(), 42u);
}

TEST(thread_access_test, a_worker_still_running_at_the_stop_is_abandoned_not_cancelled) {
    thread_access worker(&tick_until_released);
    ASSERT_TRUE(worker.start_thread(nullptr));
    const auto start = clock_type::now();
    worker.stop(100);
    const long long took = ms_since(start);
    EXPECT_GE(took, 90);
    EXPECT_LT(took, 1500);
    EXPECT_FALSE(worker.holds_thread());
    EXPECT_FALSE(worker.last_exit_code().has_value());
    EXPECT_TRUE(ticking());  // still running, on its own
    release_tickers_until_done(1);
}

TEST(thread_access_test, a_second_start_throws_and_leaves_the_first_thread_running) {
    thread_access worker(&tick_until_released);
    ASSERT_TRUE(worker.start_thread(nullptr));
    try {
        worker.start_thread(nullptr);
        ADD_FAILURE() << "second start did not throw";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "thread_access::start_thread() call error");
    }
    EXPECT_TRUE(worker.holds_thread());
    EXPECT_TRUE(ticking());
    worker.stop(0);
    EXPECT_FALSE(worker.last_exit_code().has_value());
    release_tickers_until_done(1);
    // A stopped worker can be started again.
    thread_access again(&return_seven);
    ASSERT_TRUE(again.start_thread(nullptr));
    again.stop(5000);
    ASSERT_TRUE(again.start_thread(nullptr));
    again.stop(5000);
    EXPECT_EQ(again.last_exit_code(), 7u);
}

TEST(thread_access_test, stop_without_a_thread_does_nothing_and_destructor_waits) {
    thread_access idle(&return_seven);
    idle.stop(100);
    EXPECT_FALSE(idle.last_exit_code().has_value());

    finished = false;
    {
        thread_access worker(&finish_after_200_ms);
        ASSERT_TRUE(worker.start_thread(nullptr));
    }
    EXPECT_TRUE(finished.load());  // the destructor waited instead of terminating it
}

}  // namespace
