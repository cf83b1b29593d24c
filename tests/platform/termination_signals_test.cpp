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

// What the callback saw, in order, and on which threads.
struct recorder {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<int> codes;
    std::vector<std::thread::id> threads;

    platform::termination_signals::callback callback() {
        return [this](int code) {
            std::lock_guard<std::mutex> hold(lock);
            codes.push_back(code);
            threads.push_back(std::this_thread::get_id());
            changed.notify_all();
        };
    }
    bool wait_for(std::size_t calls) {  // up to 30 s
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, std::chrono::seconds(30),
                                [&] { return codes.size() >= calls; });
    }
};

TEST(termination_signals, each_signal_calls_back_on_another_thread_and_the_first_sets_the_code) {
    const struct {
        std::vector<int> signals;
        std::vector<int> codes;
    } cases[] = {
        {{SIGINT}, {130}}, {{SIGTERM}, {143}}, {{SIGHUP}, {129}}, {{SIGTERM, SIGINT}, {143, 130}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signals[0]);
        recorder seen;
        platform::termination_signals signals(seen.callback());
        EXPECT_EQ(signals.received(), 0);
        for (std::size_t i = 0; i < c.signals.size(); ++i) {
            ASSERT_EQ(::raise(c.signals[i]), 0);  // the process lives on: the handler hands over
            ASSERT_TRUE(seen.wait_for(i + 1));
        }
        EXPECT_EQ(seen.codes, c.codes);
        EXPECT_NE(seen.threads[0], std::this_thread::get_id());
        EXPECT_EQ(signals.received(), c.codes[0]);
    }
}

TEST(termination_signals, one_object_at_a_time_and_the_previous_handling_comes_back_after_it) {
    struct sigaction ignore = {}, before = {}, during = {}, after = {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGHUP, &ignore, &before), 0);
    recorder seen;
    {
        platform::termination_signals signals(seen.callback());
        EXPECT_THROW(platform::termination_signals second(seen.callback()), std::logic_error);
        ::sigaction(SIGHUP, nullptr, &during);
        EXPECT_NE(during.sa_handler, SIG_IGN);
    }
    ::sigaction(SIGHUP, &before, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    EXPECT_NO_THROW(platform::termination_signals again(seen.callback()));
}

}  // namespace
