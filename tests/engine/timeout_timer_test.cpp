#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "engine/execute_command.h"
#include "engine/timeout_timer.h"

namespace {

using vuro_plugin::timeout_timer;

// A clock the test moves by hand.
struct manual_clock {
    std::shared_ptr<std::int64_t> now = std::make_shared<std::int64_t>(1000);
    timeout_timer::clock_function function() const {
        auto shared = now;
        return [shared] { return *shared; };
    }
};

TEST(timeout_timer, production_limit_is_sixty_seconds) {
    EXPECT_EQ(timeout_timer().limit_ms(), 60000);
    EXPECT_EQ(vuro_plugin::runner_settings().limit_ms, 60000);
    manual_clock clock;
    const timeout_timer timer(vuro_plugin::runner_settings().limit_ms, clock.function());
    *clock.now += 59999;
    EXPECT_FALSE(timer.is_timeout());
    EXPECT_EQ(timer.remaining_ms(), 1);
    *clock.now += 1;
    EXPECT_TRUE(timer.is_timeout());
    EXPECT_EQ(timer.remaining_ms(), 0);
}

TEST(timeout_timer, counts_from_construction) {
    manual_clock clock;
    const timeout_timer timer(250, clock.function());
    EXPECT_FALSE(timer.is_timeout());
    EXPECT_EQ(timer.remaining_ms(), 250);
    *clock.now += 100;
    EXPECT_EQ(timer.remaining_ms(), 150);
    *clock.now += 1000000;
    EXPECT_TRUE(timer.is_timeout());
    EXPECT_EQ(timer.remaining_ms(), 0);
}

TEST(timeout_timer, clock_going_backwards_is_a_fault) {
    manual_clock clock;
    const timeout_timer timer(250, clock.function());
    *clock.now -= 1;
    try {
        (void)timer.is_timeout();
        FAIL() << "no fault raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "timeout_timer::is_timeout() fault.");
    }
    EXPECT_THROW((void)timer.remaining_ms(), std::runtime_error);
}

TEST(timeout_timer, steady_clock_measures_elapsed_not_cpu_time) {
    const timeout_timer timer(30);
    EXPECT_FALSE(timer.is_timeout());
    // Sleeping uses no CPU time; a CPU clock would not reach the limit here.
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_TRUE(timer.is_timeout());
}

}  // namespace
