// The Windows child process, run on a stand-in program (see stand_in_child_win32.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/child_process.h"
#include "platform/executable_path.h"
#include "platform/text_codec.h"
#include "platform/wake_up.h"
#include "tests/support/scratch.h"

namespace {

using platform::child_process;
using clock_type = std::chrono::steady_clock;

std::string beside_this_program(const char* name) {
    std::string folder;
    platform::utf16_to_bytes(platform::code_page::utf8, platform::executable_path(), folder);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

std::string stand_in() { return beside_this_program(STAND_IN_CHILD); }

std::wstring wide(const std::string& utf8) {
    std::u16string text;
    platform::bytes_to_utf16(platform::code_page::utf8, utf8, text);
    return std::wstring(text.begin(), text.end());
}

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

DWORD handle_count() {
    DWORD count = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &count);
    return count;
}

double process_cpu_ms() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ms = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

bool process_running(DWORD id) {
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) return false;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

void end_process(DWORD id) {
    const HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, id);
    if (process == nullptr) return;
    ::TerminateProcess(process, 1);
    ::CloseHandle(process);
}

class child_process_win32_test : public ::testing::Test {
protected:
    void SetUp() override { handles_before_ = handle_count(); }
    void TearDown() override { EXPECT_LE(handle_count(), handles_before_) << "a handle leaked"; }

    // Runs the stand-in with `steps` and waits without limit until it ends.
    child_process::wait_result run(child_process& child, std::vector<std::string> steps,
                                   const std::string& folder = {}) {
        steps.insert(steps.begin(), stand_in());
        EXPECT_EQ(child.start(steps, folder), child_process::start_result::started);
        for (;;) {
            const auto result = child.wait(out_, err_, -1);
            if (result != child_process::wait_result::running) return result;
        }
    }

    // Starts the stand-in with a grandchild that sleeps 30 s and returns the grandchild's
    // process id once the child printed it (0 if it did not within 10 s).
    DWORD start_with_sleeping_grandchild(child_process& child) {
        EXPECT_EQ(child.start({stand_in(), "grandchild", "30000", "sleep", "30000"}, {}),
                  child_process::start_result::started);
        const auto start = clock_type::now();
        while (out_.empty() && seconds_since(start) < 10.0) child.wait(out_, err_, 100);
        return out_.empty() ? 0 : static_cast<DWORD>(std::stoul(out_));
    }

    // Whether `id` ends within 30 s.
    static bool ends_soon(DWORD id) {
        for (int i = 0; i < 3000 && process_running(id); ++i) ::Sleep(10);
        return !process_running(id);
    }

    std::string out_;
    std::string err_;

private:
    DWORD handles_before_ = 0;
};

TEST_F(child_process_win32_test, collects_both_streams_and_the_exit_code) {
    child_process child;
    EXPECT_EQ(run(child, {"out", "to out", "err", "to err", "exit", "7"}),
              child_process::wait_result::ended);
    EXPECT_EQ(out_, "to out");
    EXPECT_EQ(err_, "to err");
    EXPECT_EQ(child.exit_code(), 7);
    EXPECT_FALSE(child.running());
    EXPECT_EQ(child.wait(out_, err_, -1), child_process::wait_result::ended);
}

TEST_F(child_process_win32_test, arguments_arrive_unchanged) {
    const std::vector<std::string> arguments{
        "two words", "a \"quoted\" text",          "",         "\\\\", "trailing\\", "C:\\p\\a b\\",
        "\\\"",      "\xE8\xBE\x9E\xE6\x9B\xB8 1", "'single'", "*",    "%PATH%",     "tab\there"};
    std::vector<std::string> steps{"args"};
    steps.insert(steps.end(), arguments.begin(), arguments.end());
    child_process child;
    run(child, steps);
    std::string expected = std::to_string(arguments.size()) + "\n";
    for (const auto& argument : arguments) expected += "[" + argument + "]";
    EXPECT_EQ(out_, expected);
}

TEST_F(child_process_win32_test, megabytes_on_one_stream_while_the_other_stays_silent) {
    for (const char* step : {"out-bytes", "err-bytes"}) {
        out_.clear();
        err_.clear();
        child_process child;
        run(child, {step, "8000000"});
        EXPECT_EQ(out_.size() + err_.size(), 8000000u) << step;
        EXPECT_TRUE(out_.empty() || err_.empty());
    }
}

TEST_F(child_process_win32_test, output_written_just_before_the_end_is_never_lost) {
    for (int i = 0; i < 10; ++i) {
        out_.clear();
        err_.clear();
        child_process child;
        run(child, {"out-bytes", "100000", "err-bytes", "70000", "out", "end"});
        ASSERT_EQ(out_.size(), 100003u) << "round " << i;
        ASSERT_EQ(out_.substr(100000), "end");
        ASSERT_EQ(err_.size(), 70000u) << "round " << i;
    }
}

TEST_F(child_process_win32_test, standard_input_is_at_end_of_file_and_the_folder_is_kept) {
    const test_support::scratch_folder folder;
    child_process child;
    run(child, {"read-input", "out", "|", "cwd"}, folder.path().string());
    const std::string expected_folder = std::filesystem::canonical(folder.path()).string();
    EXPECT_EQ(out_, "read=0|" + expected_folder);
}

TEST_F(child_process_win32_test, no_inheritable_handle_of_the_parent_reaches_the_child) {
    // A pipe whose write end is inheritable: if the child had it, the read below would
    // wait instead of seeing the end of the pipe.
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    ASSERT_TRUE(::CreatePipe(&read_end, &write_end, &inheritable, 0));
    child_process child;
    ASSERT_EQ(child.start({stand_in(), "sleep", "5000"}, {}), child_process::start_result::started);
    ::CloseHandle(write_end);
    DWORD waiting = 0;
    EXPECT_FALSE(::PeekNamedPipe(read_end, nullptr, 0, nullptr, &waiting, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
    ::CloseHandle(read_end);
    child.kill_group();
}

TEST_F(child_process_win32_test, start_failures_are_reported_not_run) {
    const test_support::scratch_folder folder;
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"no-such-interpreter-here"}, ""},
        {{folder.path().string()}, ""},                                   // a folder
        {{stand_in(), "out", "ran"}, (folder.path() / "gone").string()},  // no working folder
    };
    for (const auto& [command, working_folder] : cases) {
        child_process child;
        EXPECT_EQ(child.start(command, working_folder), child_process::start_result::start_failure)
            << command[0];
        EXPECT_FALSE(child.running());
    }
}

TEST_F(child_process_win32_test, child_closing_both_streams_is_waited_for_without_spinning) {
    const double cpu_before = process_cpu_ms();
    const auto start = clock_type::now();
    child_process child;
    run(child, {"out", "early", "close-output", "sleep", "500"});
    EXPECT_GE(seconds_since(start), 0.45);
    EXPECT_EQ(out_, "early");
    EXPECT_LT(process_cpu_ms() - cpu_before, 100.0);
}

TEST_F(child_process_win32_test, a_crashing_child_ends_at_once_without_a_dialog) {
    const auto start = clock_type::now();
    child_process child;
    EXPECT_EQ(run(child, {"out", "before", "crash"}), child_process::wait_result::ended);
    EXPECT_LT(seconds_since(start), 15.0);
    // Wine's own crash report may follow on the child's streams; Windows writes none.
    EXPECT_EQ(out_.substr(0, 6), "before");
    EXPECT_NE(child.exit_code(), 0);
}

TEST_F(child_process_win32_test, background_grandchild_holding_the_pipes_does_not_delay_the_end) {
    const auto start = clock_type::now();
    child_process child;
    run(child, {"grandchild", "20000"});
    EXPECT_LT(seconds_since(start), 5.0);
    EXPECT_EQ(child.exit_code(), 0);
    const DWORD grandchild = std::stoul(out_);
    EXPECT_TRUE(process_running(grandchild));
    end_process(grandchild);
}

TEST_F(child_process_win32_test, kill_group_ends_child_and_grandchildren) {
    child_process child;
    const DWORD grandchild = start_with_sleeping_grandchild(child);
    ASSERT_NE(grandchild, 0u);
    EXPECT_TRUE(process_running(grandchild));
    child.kill_group();
    EXPECT_FALSE(child.running());
    EXPECT_EQ(child.exit_code(), 1);
    EXPECT_TRUE(ends_soon(grandchild));
}

TEST_F(child_process_win32_test, destructor_ends_a_running_child) {
    const auto start = clock_type::now();
    {
        child_process child;
        ASSERT_EQ(child.start({stand_in(), "sleep", "30000"}, {}),
                  child_process::start_result::started);
    }
    EXPECT_LT(seconds_since(start), 5.0);
}

// A wake-up raised from another thread ends an unlimited wait; the child runs on until
// it is killed, and what it wrote so far is still collected.
TEST_F(child_process_win32_test, raised_wake_up_ends_the_wait_and_kill_keeps_the_output) {
    platform::wake_up wake;
    child_process child;
    ASSERT_EQ(child.start({stand_in(), "out", "early", "sleep", "30000"}, {}),
              child_process::start_result::started);
    std::atomic<bool> printed{false};
    std::thread raiser([&] {
        while (!printed) std::this_thread::yield();
        wake.raise();
        wake.raise();  // idempotent
    });
    child_process::wait_result result;
    do {
        result = child.wait(out_, err_, -1, &wake);
        if (!out_.empty()) printed = true;
    } while (result == child_process::wait_result::running);
    raiser.join();
    EXPECT_EQ(result, child_process::wait_result::woken);
    EXPECT_TRUE(child.running());
    child.kill_group(out_, err_);
    EXPECT_FALSE(child.running());
    EXPECT_EQ(child.exit_code(), 1);
    EXPECT_EQ(out_, "early");
    wake.clear();
    EXPECT_FALSE(wake.raised());
}

// The job ends with its last handle: a program killed outright takes its child and the
// child's children with it.
TEST_F(child_process_win32_test, killing_the_starting_program_outright_ends_the_child_tree) {
    const test_support::scratch_folder folder;
    const auto id_file = folder.path() / "grandchild";
    std::wstring command = L"\"" + wide(beside_this_program(JOB_HOLDER)) + L"\" \"" +
                           wide(stand_in()) + L"\" \"" + id_file.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION holder{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                 nullptr, nullptr, &startup, &holder));
    DWORD grandchild = 0;
    for (int i = 0; i < 3000 && grandchild == 0; ++i) {
        std::ifstream(id_file) >> grandchild;
        if (grandchild == 0) ::Sleep(10);
    }
    ::TerminateProcess(holder.hProcess, 1);
    ::WaitForSingleObject(holder.hProcess, INFINITE);
    ::CloseHandle(holder.hThread);
    ::CloseHandle(holder.hProcess);
    ASSERT_NE(grandchild, 0u) << "the holder never started its child";
    EXPECT_TRUE(ends_soon(grandchild));
}

}  // namespace
