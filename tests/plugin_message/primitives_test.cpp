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

unsigned return_seven(void*) { return 7; }

unsigned tick_forever(void*) {
    for (;;) {
        ++ticks;
        std::this_thread::sleep_for(milliseconds(5));
    }
}

unsigned finish_after_200_ms(void*) {
    std::this_thread::sleep_for(milliseconds(200));
    finished = true;
    return 0;
}

std::atomic<bool> release_busy{false};
std::atomic<bool> busy_done{false};

// Never reaches a point where the thread can be ended until released.
unsigned busy_until_released(void*) {
    while (!release_busy.load()) {
    }
    busy_done = true;
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

TEST(thread_access_test, stopping_a_worker_that_runs_on_terminates_it_with_code_1) {
    thread_access worker(&tick_forever);
    ASSERT_TRUE(worker.start_thread(nullptr));
    const auto start = clock_type::now();
    worker.stop(100);
    const long long took = ms_since(start);
    EXPECT_GE(took, 90);
    EXPECT_LT(took, 1500);
    EXPECT_FALSE(worker.holds_thread());
    EXPECT_EQ(worker.last_exit_code(), thread_access::terminated_exit_code);
    const int after_stop = ticks.load();
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(ticks.load(), after_stop);  // really gone
}

TEST(thread_access_test, a_worker_that_cannot_be_ended_is_abandoned_not_waited_for) {
    thread_access worker(&busy_until_released);
    ASSERT_TRUE(worker.start_thread(nullptr));
    const auto start = clock_type::now();
    worker.stop(100);
    EXPECT_LT(ms_since(start), 2500);
    EXPECT_FALSE(worker.holds_thread());
    EXPECT_FALSE(worker.last_exit_code().has_value());
    release_busy = true;
    while (!busy_done.load()) std::this_thread::yield();
}

TEST(thread_access_test, a_second_start_throws_and_leaves_the_first_thread_running) {
    thread_access worker(&tick_forever);
    ASSERT_TRUE(worker.start_thread(nullptr));
    try {
        worker.start_thread(nullptr);
        ADD_FAILURE() << "second start did not throw";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "thread_access::start_thread() call error");
    }
    EXPECT_TRUE(worker.holds_thread());
    const int before = ticks.load();
    std::this_thread::sleep_for(milliseconds(60));
    EXPECT_GT(ticks.load(), before);
    worker.stop(0);
    EXPECT_EQ(worker.last_exit_code(), thread_access::terminated_exit_code);
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
