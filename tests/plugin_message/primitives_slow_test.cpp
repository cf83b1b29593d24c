// The real bounded waits: about 30 seconds each, run side by side.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "plugin_message/internal/signal_event.h"
#include "plugin_message/internal/thread_access.h"
#include "plugin_message/internal/thread_utility.h"

namespace {

using clock_type = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

// Holds `lock` on its own thread until released or `limit` has passed.
class lock_holder {
public:
    lock_holder(thread_utility& lock, seconds limit) {
        std::promise<void> holding;
        auto held = holding.get_future();
        thread_ = std::thread([this, &lock, limit, holding = std::move(holding)]() mutable {
            lock.lock();
            holding.set_value();
            std::unique_lock<std::mutex> hold(mutex_);
            changed_.wait_for(hold, limit, [this] { return release_; });
            released_at_ = clock_type::now();
            lock.unlock();
        });
        held.wait();
    }
    ~lock_holder() {
        release();
        if (thread_.joinable()) thread_.join();
    }
    void release() {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            release_ = true;
        }
        changed_.notify_all();
    }
    clock_type::time_point released_at() {
        thread_.join();
        return released_at_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool release_ = false;
    clock_type::time_point released_at_;
    std::thread thread_;
};

std::atomic<bool> stop_spinning{false};
std::atomic<bool> spinner_done{false};
unsigned spin_until_told(void*) {
    while (!stop_spinning) std::this_thread::sleep_for(milliseconds(10));
    spinner_done = true;
    return 0;
}

TEST(bounded_waits, lock_event_and_worker_give_up_after_their_limits) {
    // A lock held 45 s: lock() gives up after its 300 attempts.
    auto lock_gives_up = std::async(std::launch::async, [] {
        thread_utility lock;
        lock_holder holder(lock, seconds(45));
        const auto start = clock_type::now();
        std::string error;
        try {
            lock.lock();
            lock.unlock();
        } catch (const std::runtime_error& failure) {
            error = failure.what();
        }
        const double took = seconds_since(start);
        holder.release();
        return std::make_pair(took, error);
    });
    // A lock released after 5 s: lock() gets it at its next attempt.
    auto lock_follows_release = std::async(std::launch::async, [] {
        thread_utility lock;
        lock_holder holder(lock, seconds(5));
        lock.lock();
        const auto acquired_at = clock_type::now();
        lock.unlock();
        return std::chrono::duration<double>(acquired_at - holder.released_at()).count();
    });
    // An event never set: wait_signal gives up after 30,000 ms.
    auto event_times_out = std::async(std::launch::async, [] {
        signal_event event;
        const auto start = clock_type::now();
        const bool signalled = event.wait_signal();
        return std::make_pair(seconds_since(start), signalled);
    });
    // A worker still running when its owner goes: the destructor waits 5,000 ms and
    // then abandons it.
    auto destructor_abandons = std::async(std::launch::async, [] {
        stop_spinning = false;
        const auto start = clock_type::now();
        {
            thread_access worker(&spin_until_told);
            worker.start_thread(nullptr);
        }
        return seconds_since(start);
    });

    const auto [lock_took, lock_error] = lock_gives_up.get();
    EXPECT_EQ(lock_error, "thread_utility::lock() call error");
    EXPECT_GE(lock_took, 29.5);
    EXPECT_LT(lock_took, 36.0);

    const double after_release = lock_follows_release.get();
    EXPECT_GE(after_release, 0.0);
    EXPECT_LT(after_release, 0.4);

    const auto [event_took, signalled] = event_times_out.get();
    EXPECT_FALSE(signalled);
    EXPECT_GE(event_took, 29.9);
    EXPECT_LT(event_took, 33.0);

    const double destructor_took = destructor_abandons.get();
    EXPECT_GE(destructor_took, 4.9);
    EXPECT_LT(destructor_took, 7.5);
    EXPECT_FALSE(spinner_done.load());  // still running on its own
    stop_spinning = true;
    while (!spinner_done.load()) std::this_thread::sleep_for(milliseconds(10));
}

}  // namespace
