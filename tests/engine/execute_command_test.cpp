#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "engine/execute_command.h"
#include "tests/engine/runner_fixture.h"

namespace {

using namespace vuro_plugin;
using runner_test::widen;
using clock_type = std::chrono::steady_clock;

class execute_command_test : public runner_test::runner_fixture {
protected:
    command_result run_shell(const std::string& script, bool limit_time,
                             const runner_settings& settings = {}) {
        return execute_command({u"sh", u"-c", widen(script)}, folder_.u16(), out_, err_, limit_time,
                               settings);
    }
    double seconds_since(clock_type::time_point start) const {
        return std::chrono::duration<double>(clock_type::now() - start).count();
    }

    std::string out_;
    std::string err_;
};

TEST_F(execute_command_test, completed_run_keeps_both_streams_each_ending_in_a_zero_byte) {
    EXPECT_EQ(run_shell("printf 'to out'; printf 'to err' >&2; exit 7", true),
              command_result::completed);
    EXPECT_EQ(out_, std::string("to out\0", 7));
    EXPECT_EQ(err_, std::string("to err\0", 7));
}

TEST_F(execute_command_test, silent_child_leaves_both_buffers_empty) {
    EXPECT_EQ(run_shell("exit 0", false), command_result::completed);
    EXPECT_EQ(out_, "");
    EXPECT_EQ(err_, "");
}

TEST_F(execute_command_test, runs_in_the_working_folder) {
    EXPECT_EQ(run_shell("pwd -P", true), command_result::completed);
    EXPECT_EQ(out_, std::filesystem::canonical(folder_.path()).string() + "\n" + '\0');
}

TEST_F(execute_command_test, command_missing_from_the_search_path_is_a_start_failure) {
    EXPECT_EQ(execute_command({u"no-such-interpreter-here"}, folder_.u16(), out_, err_, true),
              command_result::start_failure);
    EXPECT_EQ(execute_command({u"sh", u"-c", u"exit 0"}, folder_.u16("missing"), out_, err_, true),
              command_result::start_failure);
    const auto script = folder_.path() / "not-executable";
    std::ofstream(script) << "#!/bin/sh\necho ran\n";
    EXPECT_EQ(execute_command({widen(script.string())}, folder_.u16(), out_, err_, true),
              command_result::start_failure);
    EXPECT_EQ(out_, "");
}

TEST_F(execute_command_test, child_running_past_the_limit_is_killed_with_its_group) {
    const auto pid_file = folder_.path() / "grandchild";
    const std::string script =
        "sleep 30 & echo $! > '" + pid_file.string() + "'; printf partial; sleep 30";
    const auto start = clock_type::now();
    runner_settings settings;
    settings.limit_ms = 300;
    EXPECT_EQ(run_shell(script, true, settings), command_result::timed_out);
    const double elapsed = seconds_since(start);
    EXPECT_GE(elapsed, 0.29);
    EXPECT_LT(elapsed, 5.0);
    int grandchild = 0;
    std::ifstream(pid_file) >> grandchild;
    ASSERT_GT(grandchild, 0);
    // The kill is asynchronous for a process that is not our child; give it a moment.
    for (int i = 0; i < 100 && test_support::process_running(grandchild); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(test_support::process_running(grandchild)) << "grandchild survived";
}

TEST_F(execute_command_test, without_limit_time_the_limit_does_not_apply) {
    runner_settings settings;
    settings.limit_ms = 50;
    EXPECT_EQ(run_shell("sleep 0.3; printf done", false, settings), command_result::completed);
    EXPECT_EQ(out_, std::string("done\0", 5));
}

// The clock reads 0 when the run starts and `later` ever after: the production limit
// of 60000 ms decides between a completed and a timed-out run.
runner_settings jumping_clock(std::int64_t later) {
    auto readings = std::make_shared<int>(0);
    runner_settings settings;
    settings.clock = [readings, later]() -> std::int64_t { return (*readings)++ == 0 ? 0 : later; };
    return settings;
}

TEST_F(execute_command_test, production_limit_is_sixty_seconds_of_clock_time) {
    EXPECT_EQ(run_shell("sleep 0.2; printf done", true, jumping_clock(59999)),
              command_result::completed);
    EXPECT_EQ(out_, std::string("done\0", 5));

    const auto start = clock_type::now();
    EXPECT_EQ(run_shell("sleep 30", true, jumping_clock(60000)), command_result::timed_out);
    EXPECT_LT(seconds_since(start), 10.0);
}

TEST_F(execute_command_test, clock_fault_kills_and_reaps_the_child_before_leaving) {
    auto now = std::make_shared<std::atomic<std::int64_t>>(1000);
    runner_settings settings;
    settings.limit_ms = 60000;
    settings.clock = [now] { return (*now)--; };  // goes backwards from the first reading
    try {
        run_shell("sleep 30", true, settings);
        FAIL() << "no fault raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "timeout_timer::is_timeout() fault.");
    }
    // The fixture checks that no child and no descriptor is left.
}

TEST_F(execute_command_test, several_runs_from_parallel_threads_all_finish) {
    constexpr int threads = 4;
    constexpr int runs = 5;
    int completed[threads] = {};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int r = 0; r < runs; ++r) {
                std::string out;
                std::string err;
                const std::string tag = std::to_string(t) + "-" + std::to_string(r);
                const auto result =
                    execute_command({u"sh", u"-c", widen("printf " + tag + "; sleep 0.05")},
                                    folder_.u16(), out, err, true);
                if (result == command_result::completed && out == tag + '\0') ++completed[t];
            }
        });
    }
    for (auto& worker : workers) worker.join();
    for (int t = 0; t < threads; ++t) EXPECT_EQ(completed[t], runs) << "thread " << t;
}

TEST_F(execute_command_test, signals_during_the_wait_change_nothing) {
    const test_support::signal_storm storm;
    EXPECT_EQ(run_shell("sleep 0.3; printf done", true), command_result::completed);
    EXPECT_EQ(out_, std::string("done\0", 5));

    runner_settings settings;
    settings.limit_ms = 300;
    const auto start = clock_type::now();
    EXPECT_EQ(run_shell("sleep 30", true, settings), command_result::timed_out);
    const double elapsed = seconds_since(start);
    EXPECT_GE(elapsed, 0.29);
    EXPECT_LT(elapsed, 5.0);
    EXPECT_GT(storm.delivered(), 10);
}

}  // namespace
