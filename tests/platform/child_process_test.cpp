#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/child_process.h"
#include "platform/wake_up.h"
#include "tests/support/child_probe.h"
#include "tests/support/scratch.h"

namespace {

using platform::child_process;
using clock_type = std::chrono::steady_clock;

class child_process_test : public ::testing::Test {
protected:
    void SetUp() override { descriptors_before_ = test_support::open_descriptors(); }
    void TearDown() override {
        EXPECT_FALSE(test_support::has_child_processes()) << "a child was left unreaped";
        EXPECT_EQ(test_support::open_descriptors(), descriptors_before_) << "a descriptor leaked";
    }

    // Starts the command and waits without limit until it ends.
    child_process::wait_result run(child_process& child, const std::vector<std::string>& command,
                                   const std::string& folder = {}) {
        EXPECT_EQ(child.start(command, folder), child_process::start_result::started);
        for (;;) {
            const auto result = child.wait(out_, err_, -1);
            if (result != child_process::wait_result::running) return result;
        }
    }
    child_process::wait_result run_shell(child_process& child, const std::string& script) {
        return run(child, {"sh", "-c", script});
    }
    static double seconds_since(clock_type::time_point start) {
        return std::chrono::duration<double>(clock_type::now() - start).count();
    }

    std::string out_;
    std::string err_;

private:
    std::set<int> descriptors_before_;
};

TEST_F(child_process_test, collects_both_streams_and_the_exit_code) {
    child_process child;
    EXPECT_EQ(run_shell(child, "printf 'to out'; printf 'to err' >&2; exit 7"),
              child_process::wait_result::ended);
    EXPECT_EQ(out_, "to out");
    EXPECT_EQ(err_, "to err");
    EXPECT_EQ(child.exit_code(), 7);
    EXPECT_EQ(child.exit_signal(), 0);
    EXPECT_FALSE(child.running());
    EXPECT_EQ(child.wait(out_, err_, -1), child_process::wait_result::ended);
}

TEST_F(child_process_test, child_killed_by_a_signal_has_ended_with_its_output_kept) {
    child_process child;
    EXPECT_EQ(run_shell(child, "printf kept; kill -TERM $$; sleep 5"),
              child_process::wait_result::ended);
    EXPECT_EQ(out_, "kept");
    EXPECT_EQ(child.exit_signal(), SIGTERM);
    EXPECT_EQ(child.exit_code(), -1);
}

TEST_F(child_process_test, bytes_pass_unchanged_including_zero_bytes) {
    child_process child;
    run_shell(child, "printf 'a\\000b\\377'; printf '\\000' >&2");
    EXPECT_EQ(out_, std::string("a\0b\xff", 4));
    EXPECT_EQ(err_, std::string("\0", 1));
}

TEST_F(child_process_test, megabytes_on_one_stream_while_the_other_stays_silent) {
    for (const char* stream : {">&2", ""}) {
        out_.clear();
        err_.clear();
        child_process child;
        run_shell(child, std::string("head -c 8000000 /dev/zero ") + stream);
        EXPECT_EQ(out_.size() + err_.size(), 8000000u);
        EXPECT_TRUE(out_.empty() || err_.empty());
    }
}

TEST_F(child_process_test, output_written_just_before_the_end_is_never_lost) {
    for (int i = 0; i < 30; ++i) {
        out_.clear();
        err_.clear();
        child_process child;
        run_shell(child, "head -c 100000 /dev/zero; head -c 70000 /dev/zero >&2; printf end");
        ASSERT_EQ(out_.size(), 100003u) << "round " << i;
        ASSERT_EQ(out_.substr(100000), "end");
        ASSERT_EQ(err_.size(), 70000u) << "round " << i;
    }
}

TEST_F(child_process_test, arguments_arrive_unchanged) {
    const std::vector<std::string> arguments{
        "two words", "a \"quoted\" text", "", "\\\\", "\xff\xfe not utf-8 \x80", "'single'", "*"};
    std::vector<std::string> command{"sh", "-c", "printf '%s\\n' \"$#\"; printf '[%s]' \"$@\"",
                                     "sh"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    child_process child;
    run(child, command);
    std::string expected = std::to_string(arguments.size()) + "\n";
    for (const auto& argument : arguments) expected += "[" + argument + "]";
    EXPECT_EQ(out_, expected);
}

TEST_F(child_process_test, standard_input_is_at_end_of_file) {
    const auto start = clock_type::now();
    child_process child;
    run_shell(child, "cat; read line; printf 'read=%s' \"$?\"");
    EXPECT_EQ(out_, "read=1");
    EXPECT_LT(seconds_since(start), 5.0);
}

TEST_F(child_process_test, no_descriptor_of_the_parent_reaches_the_child) {
    const int careless = test_support::open_inheritable_descriptor();
    ASSERT_GT(careless, 2);
    child_process child;
    run(child, {"perl", "-e",
                "opendir D, '/proc/self/fd'; print join ',', sort { $a <=> $b } grep /^\\d+$/, "
                "readdir D"});
    test_support::close_descriptor(careless);
    EXPECT_EQ(out_, "0,1,2,3");  // 3 is perl's own listing
}

// Without a controlling terminal a plug-in opening /dev/tty fails at once instead of
// being stopped as a background job of the parent's session.
TEST_F(child_process_test, runs_in_a_session_and_process_group_of_its_own) {
    child_process child;
    run(child, {"perl", "-e",
                "open S, '/proc/self/stat'; my @f = split ' ', <S>;"
                "print $f[4] == $$ ? 'group' : '-', $f[5] == $$ ? ' session' : ' -',"
                "      open(T, '<', '/dev/tty') ? ' tty' : ' no tty'"});
    EXPECT_EQ(out_, "group session no tty");
}

// Pipes made while the user holds more pipe memory than allowed stay at their smallest;
// a child that grows its error pipe once memory is free again, fills it and ends is
// still read to the last byte.
TEST_F(child_process_test, last_drain_takes_each_pipe_at_its_present_size) {
    constexpr int cannot_set_up = 77;
    constexpr std::size_t written = 512u << 10;
    const int result = test_support::run_forked([] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return cannot_set_up;
        std::vector<int> hoard;
        bool limited = false;
        for (int i = 0; i < 4096 && !limited; ++i) {
            int ends[2];
            if (::pipe(ends) != 0) break;
            hoard.insert(hoard.end(), ends, ends + 2);
            limited = ::fcntl(ends[1], F_SETPIPE_SZ, 1 << 20) < 0;
        }
        child_process child;
        // 1031: F_SETPIPE_SZ; retried until the parent has let go of its hoard.
        const auto started = child.start(
            {"perl", "-e",
             "my $grown; for (1 .. 500) { last if $grown = fcntl(STDERR, 1031, 1 << 20);"
             " select undef, undef, undef, 0.01 } exit 3 unless $grown;"
             " syswrite STDERR, 'e' x (512 << 10)"},
            "/");
        for (const int fd : hoard) ::close(fd);
        if (!limited || started != child_process::start_result::started) return cannot_set_up;
        siginfo_t info{};
        ::waitid(P_ALL, 0, &info, WEXITED | WNOWAIT);  // ended, not yet reaped
        std::string out;
        std::string err;
        while (child.wait(out, err, -1) == child_process::wait_result::running) {
        }
        if (child.exit_code() == 3) return cannot_set_up;
        return err.size() == written ? 0 : 1;
    });
    if (result == cannot_set_up) GTEST_SKIP() << "pipe memory is not limited for this user";
    EXPECT_EQ(result, 0);
}

// Memory running out while a capture grows cuts that capture: the rest is read and
// dropped, and nothing is thrown.
TEST_F(child_process_test, capture_that_finds_no_memory_is_cut_not_thrown) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    constexpr std::size_t printed = 100000000;
    const int result = test_support::run_forked([] {
        const rlim_t room = test_support::address_space_bytes() + (40u << 20);
        const rlimit limit{room, room};
        if (::setrlimit(RLIMIT_AS, &limit) != 0) return 2;
        child_process child;
        std::string out;
        std::string err;
        if (child.start({"sh", "-c", "yes | head -c " + std::to_string(printed)}, {}) !=
            child_process::start_result::started)
            return 3;
        while (child.wait(out, err, -1) == child_process::wait_result::running) {
        }
        return child.output_cut() && !out.empty() && out.size() < printed ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
#endif
}

TEST_F(child_process_test, start_failures_are_reported_not_run) {
    const test_support::scratch_folder folder;
    const auto plain = folder.path() / "plain-file";
    std::ofstream(plain) << "#!/bin/sh\necho ran\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"no-such-interpreter-here"}, ""},
        {{plain.string()}, ""},                                         // not executable
        {{folder.path().string()}, ""},                                 // a folder
        {{"sh", "-c", "echo ran"}, (folder.path() / "gone").string()},  // no working folder
    };
    for (const auto& [command, working_folder] : cases) {
        child_process child;
        EXPECT_EQ(child.start(command, working_folder), child_process::start_result::start_failure)
            << command[0];
        EXPECT_FALSE(child.running());
    }
}

TEST_F(child_process_test, child_closing_both_streams_is_waited_for_without_spinning) {
    const double cpu_before = test_support::process_cpu_ms();
    const auto start = clock_type::now();
    child_process child;
    run_shell(child, "printf early; exec >&- 2>&-; sleep 0.5");
    EXPECT_GE(seconds_since(start), 0.45);
    EXPECT_EQ(out_, "early");
    EXPECT_LT(test_support::process_cpu_ms() - cpu_before, 100.0);
}

TEST_F(child_process_test, background_grandchild_holding_the_pipes_does_not_delay_the_end) {
    const auto start = clock_type::now();
    child_process child;
    run_shell(child, "sleep 20 & printf $!");
    EXPECT_LT(seconds_since(start), 5.0);
    EXPECT_EQ(child.exit_code(), 0);
    test_support::kill_process_group(std::stoi(out_));
}

TEST_F(child_process_test, kill_group_ends_child_and_grandchildren) {
    const test_support::scratch_folder folder;
    const auto pid_file = folder.path() / "pid";
    child_process child;
    ASSERT_EQ(
        child.start({"sh", "-c", "sleep 30 & echo $! > '" + pid_file.string() + "'; wait"}, {}),
        child_process::start_result::started);
    int grandchild = 0;
    for (int i = 0; i < 500 && grandchild == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream(pid_file) >> grandchild;
    }
    ASSERT_GT(grandchild, 0);
    EXPECT_EQ(child.wait(out_, err_, 10), child_process::wait_result::running);
    child.kill_group();
    EXPECT_FALSE(child.running());
    for (int i = 0; i < 100 && test_support::process_running(grandchild); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(test_support::process_running(grandchild));
}

TEST_F(child_process_test, destructor_kills_and_reaps_a_running_child) {
    const auto start = clock_type::now();
    {
        child_process child;
        ASSERT_EQ(child.start({"sleep", "30"}, {}), child_process::start_result::started);
    }
    EXPECT_LT(seconds_since(start), 5.0);
}

// A wake-up raised before the wait or from another thread during it ends the wait; the
// child runs on until it is killed, and what it wrote so far is still collected.
TEST_F(child_process_test, raised_wake_up_ends_the_wait_and_kill_keeps_the_output) {
    for (const bool from_thread : {false, true}) {
        out_.clear();
        err_.clear();
        platform::wake_up wake;
        child_process child;
        ASSERT_EQ(child.start({"sh", "-c", "printf early; printf late >&2; sleep 30"}, {}),
                  child_process::start_result::started);
        std::atomic<bool> printed{false};
        std::thread raiser;
        if (from_thread) {
            raiser = std::thread([&] {
                while (!printed) std::this_thread::yield();
                wake.raise();
            });
        } else {
            wake.raise();
            wake.raise();  // idempotent
        }
        child_process::wait_result result;
        do {
            result = child.wait(out_, err_, -1, &wake);
            if (!err_.empty()) printed = true;
        } while (result == child_process::wait_result::running);
        if (raiser.joinable()) raiser.join();
        EXPECT_EQ(result, child_process::wait_result::woken) << from_thread;
        EXPECT_TRUE(child.running());
        EXPECT_EQ(child.wait(out_, err_, 0, &wake), child_process::wait_result::woken);
        child.kill_group(out_, err_);
        EXPECT_FALSE(child.running());
        EXPECT_EQ(child.exit_signal(), SIGKILL);
        if (from_thread) {
            EXPECT_EQ(out_, "early");
        }
        wake.clear();
        EXPECT_FALSE(wake.raised());
    }
}

TEST_F(child_process_test, child_that_has_ended_wins_over_a_raised_wake_up) {
    platform::wake_up wake;
    child_process child;
    ASSERT_EQ(child.start({"sh", "-c", "printf done"}, {}), child_process::start_result::started);
    siginfo_t info{};
    ::waitid(P_ALL, 0, &info, WEXITED | WNOWAIT);  // ended, not yet reaped
    wake.raise();
    child_process::wait_result result;
    do {
        result = child.wait(out_, err_, -1, &wake);
    } while (result == child_process::wait_result::running);
    EXPECT_EQ(result, child_process::wait_result::ended);
    EXPECT_EQ(out_, "done");
    EXPECT_TRUE(wake.raised());
}

// Killed outright, the process that started a child takes the child with it.
TEST_F(child_process_test, child_ends_when_the_process_that_started_it_is_killed) {
    int ids[2];
    ASSERT_EQ(::pipe(ids), 0);
    const pid_t starter = ::fork();
    if (starter == 0) {
        child_process child;
        std::string out;
        std::string err;
        if (child.start({"sh", "-c", "echo $$; exec sleep 100"}, {}) ==
            child_process::start_result::started) {
            while (out.find('\n') == std::string::npos &&
                   child.wait(out, err, -1) == child_process::wait_result::running) {
            }
            (void)!::write(ids[1], out.data(), out.size());
        }
        ::pause();  // until killed
        ::_exit(1);
    }
    ASSERT_GT(starter, 0);
    ::close(ids[1]);
    char text[32] = {};
    const ssize_t got = ::read(ids[0], text, sizeof text - 1);
    ::close(ids[0]);
    ::kill(starter, SIGKILL);
    ::waitpid(starter, nullptr, 0);
    ASSERT_GT(got, 0) << "the starter could not start its child";
    const int child = std::atoi(text);
    ASSERT_GT(child, 0);
    EXPECT_TRUE(test_support::ends_soon(child)) << "the child outlived the process that started it";
}

}  // namespace
