#include "platform/termination_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// What the callback saw, and a wait (up to 30 s) for a number of calls.
class recorder {
public:
    platform::termination_signals::callback callback() {
        return [this](int code) {
            std::lock_guard<std::mutex> hold(lock_);
            codes_.push_back(code);
            threads_.push_back(std::this_thread::get_id());
            changed_.notify_all();
        };
    }
    bool wait_for(std::size_t calls) {
        std::unique_lock<std::mutex> hold(lock_);
        return changed_.wait_for(hold, std::chrono::seconds(30),
                                 [&] { return codes_.size() >= calls; });
    }
    std::vector<int> codes() {
        std::lock_guard<std::mutex> hold(lock_);
        return codes_;
    }
    std::vector<std::thread::id> threads() {
        std::lock_guard<std::mutex> hold(lock_);
        return threads_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<int> codes_;
    std::vector<std::thread::id> threads_;
};

TEST(termination_signals, each_signal_reaches_the_callback_on_another_thread_with_its_exit_code) {
    const struct {
        int signal;
        int code;
    } cases[] = {{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        recorder seen;
        platform::termination_signals signals(seen.callback());
        EXPECT_EQ(signals.received(), 0);
        ASSERT_EQ(::raise(c.signal), 0);  // the process lives on: the handler only hands over
        ASSERT_TRUE(seen.wait_for(1));
        EXPECT_EQ(seen.codes(), std::vector<int>{c.code});
        EXPECT_NE(seen.threads()[0], std::this_thread::get_id());
        EXPECT_EQ(signals.received(), c.code);
    }
}

TEST(termination_signals, the_first_request_decides_the_exit_code_and_later_ones_still_call_back) {
    recorder seen;
    platform::termination_signals signals(seen.callback());
    ::raise(SIGTERM);
    ASSERT_TRUE(seen.wait_for(1));
    ::raise(SIGINT);
    ASSERT_TRUE(seen.wait_for(2));
    EXPECT_EQ(seen.codes(), (std::vector<int>{143, 130}));
    EXPECT_EQ(signals.received(), 143);
}

TEST(termination_signals, one_object_at_a_time_and_the_previous_handling_comes_back_after_it) {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before = {};
    ASSERT_EQ(::sigaction(SIGHUP, &ignore, &before), 0);
    {
        recorder seen;
        platform::termination_signals signals(seen.callback());
        EXPECT_THROW(platform::termination_signals second(seen.callback()), std::logic_error);
        struct sigaction during = {};
        ::sigaction(SIGHUP, nullptr, &during);
        EXPECT_NE(during.sa_handler, SIG_IGN);
    }
    struct sigaction after = {};
    ::sigaction(SIGHUP, &before, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    recorder seen;
    EXPECT_NO_THROW(platform::termination_signals again(seen.callback()));
}

}  // namespace
