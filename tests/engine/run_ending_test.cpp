// Runs that end from outside: a cancel from another thread, a time-out, a token raised
// before the call. Each is run through the real interpreters with a bridge that prints
// a little, starts a grandchild and then hangs.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "engine/run_script.h"
#include "tests/engine/runner_fixture.h"
#include "tests/support/child_probe.h"

namespace {

using namespace vuro_plugin;
using runner_test::widen;

// Each bridge writes "<own pid> <grandchild pid>\n" to the file named by its first
// argument once both run, then sleeps.
struct hanging_bridge {
    const char16_t* interpreter;
    const char* text;
};

const hanging_bridge hanging_bridges[] = {
    {u"perl",
     "$| = 1; print 'partial'; print STDERR 'partial-err';"
     " my $g = fork(); if ($g == 0) { exec 'sleep', '30' }"
     " open(my $f, '>', $ARGV[2] . '.part'); print $f \"$$ $g\\n\"; close $f;"
     " rename $ARGV[2] . '.part', $ARGV[2]; sleep 30;\n"},
    {u"ruby",
     "$stdout.sync = true; $stderr.sync = true; print 'partial'; $stderr.print 'partial-err'\n"
     "g = spawn('sleep', '30')\n"
     "File.write(ARGV[2] + '.part', \"#{$$} #{g}\\n\"); File.rename(ARGV[2] + '.part', ARGV[2])\n"
     "sleep 30\n"},
    {u"python",
     "import os, subprocess, sys, time\n"
     "sys.stdout.write('partial'); sys.stdout.flush()\n"
     "sys.stderr.write('partial-err'); sys.stderr.flush()\n"
     "g = subprocess.Popen(['sleep', '30'])\n"
     "open(sys.argv[3] + '.part', 'w').write('%d %d\\n' % (os.getpid(), g.pid))\n"
     "os.rename(sys.argv[3] + '.part', sys.argv[3])\n"
     "time.sleep(30)\n"},
};

class run_ending_test : public runner_test::runner_fixture {
protected:
    script_instance_data hanging_plugin(const hanging_bridge& bridge) {
        auto data = shell_plugin(bridge.text);
        data.interpreter = bridge.interpreter;
        data.standard_output = "earlier";
        data.standard_error = "earlier-err";
        return data;
    }
    std::u16string pid_file() const { return widen((folder_.path() / "pids").string()); }

    // The two process ids the bridge wrote, waiting up to 30 s for them; {0, 0} if none.
    std::pair<int, int> wait_for_pids() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            std::pair<int, int> pids{0, 0};
            std::ifstream(folder_.path() / "pids") >> pids.first >> pids.second;
            if (pids.second > 0) return pids;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return {0, 0};
    }

    // What every ended run must leave: nothing running, no bridge file, the stored
    // outputs and message of before, and what was printed so far in the record.
    void expect_ended(const script_instance_data& data, command_result expected,
                      std::pair<int, int> pids) {
        const call_record& call = data.last_call;
        EXPECT_EQ(call.result, expected) << to_string(call.result);
        EXPECT_EQ(call.method, u"run_process");
        EXPECT_EQ(call.output, "partial");
        EXPECT_EQ(call.error, "partial-err");
        EXPECT_GE(call.elapsed_ms, 0);
        EXPECT_EQ(data.standard_output, "earlier");
        EXPECT_EQ(data.standard_error, "earlier-err");
        EXPECT_EQ(data.message, u"");
        EXPECT_EQ(files_in_data_folder(), 0u);
        ASSERT_GT(pids.second, 0) << "the bridge never started its grandchild";
        EXPECT_TRUE(test_support::ends_soon(pids.first)) << "interpreter survived";
        EXPECT_TRUE(test_support::ends_soon(pids.second)) << "grandchild survived";
    }
};

TEST_F(run_ending_test, cancel_from_another_thread_ends_interpreter_and_grandchild) {
    for (const hanging_bridge& bridge : hanging_bridges) {
        SCOPED_TRACE(std::string(bridge.interpreter, bridge.interpreter + 4));
        std::filesystem::remove(folder_.path() / "pids");
        auto data = hanging_plugin(bridge);
        runner_settings settings;
        settings.cancel = std::make_shared<cancel_token>();
        std::pair<int, int> pids;
        std::thread stopper([&] {
            pids = wait_for_pids();
            settings.cancel->cancel();
        });
        // Without limit, as a callback runs: only the cancel ends it.
        EXPECT_EQ(run_script(u"run_process", {pid_file()}, data, false, settings), "");
        stopper.join();
        expect_ended(data, command_result::cancelled, pids);
    }
}

// The limit is long enough for the bridge to print and start its grandchild first.
TEST_F(run_ending_test, time_out_is_not_a_cancel_and_keeps_the_partial_output) {
    auto data = hanging_plugin(hanging_bridges[0]);
    runner_settings settings;
    settings.limit_ms = 3000;
    settings.cancel = std::make_shared<cancel_token>();
    EXPECT_EQ(run_script(u"run_process", {pid_file()}, data, true, settings), "");
    expect_ended(data, command_result::timed_out, wait_for_pids());
    EXPECT_FALSE(settings.cancel->cancelled());
}

// A cancelled token ends every later run of the session before it starts, until reset.
TEST_F(run_ending_test, raised_token_starts_nothing_until_it_is_reset) {
    auto data =
        shell_plugin("printf ran > '" + (folder_.path() / "ran").string() + "'; printf out");
    runner_settings settings;
    settings.cancel = std::make_shared<cancel_token>();
    settings.cancel->cancel();
    settings.cancel->cancel();  // idempotent
    for (const char16_t* method : {u"syntax_check", u"run_process"}) {
        EXPECT_EQ(run_script(method, {}, data, true, settings), "");
        EXPECT_EQ(data.last_call.method, method);
        EXPECT_EQ(data.last_call.result, command_result::cancelled);
    }
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "ran"));
    EXPECT_EQ(files_in_data_folder(), 0u);
    settings.cancel->reset();
    EXPECT_FALSE(settings.cancel->cancelled());
    EXPECT_EQ(run_script(u"run_process", {}, data, true, settings), "out");
    EXPECT_EQ(data.last_call.result, command_result::completed);
}

}  // namespace
