// Runs that end from outside, on Windows: the stand-in child (stand_in_child_win32.cpp)
// takes the interpreter's place, prints, starts a grandchild, marks a file and hangs.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "engine/run_script.h"
#include "platform/executable_path.h"
#include "tests/support/scratch.h"
#include "utility/file_access.h"

namespace {

using namespace vuro_plugin;

bool process_running(DWORD id) {
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) return false;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

// Waits up to 30 s for the process to end.
bool ends_soon(DWORD id) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (process_running(id)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool appears_soon(const std::filesystem::path& file) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(file)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class run_ending_win32_test : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder_.path() / "data");
        utility::write_file(folder_.u16("plugin.skip"), "# plug-in\n");
        std::u16string stand_in = platform::executable_path();
        stand_in.erase(stand_in.find_last_of(u"\\/") + 1);
        data_.interpreter = stand_in + u"" STAND_IN_CHILD_U16;
        data_.extension = u".skip";
        data_.bridge_template = "bridge";
        data_.file_name = u"plugin.skip";
        data_.script_path = folder_.u16("plugin.skip");
        data_.data_folder = folder_.u16("data") + u"\\";
        data_.usable = true;
        data_.standard_output = "earlier";
    }

    // The stand-in's steps after the method "out": print, start a grandchild that
    // prints its id, mark the file, hang.
    std::vector<std::u16string> hanging_steps() const {
        return {u"partial", u"grandchild", u"30000", u"mark", folder_.u16("started"),
                u"sleep",   u"30000"};
    }

    test_support::scratch_folder folder_;
    script_instance_data data_;
};

TEST_F(run_ending_win32_test, cancel_and_time_out_end_child_and_grandchild_and_delete_the_bridge) {
    struct ending {
        const char* name;
        bool cancel;
        command_result expected;
    };
    const ending endings[] = {
        {"cancel from another thread", true, command_result::cancelled},
        {"time-out", false, command_result::timed_out},
    };
    for (const ending& e : endings) {
        SCOPED_TRACE(e.name);
        std::filesystem::remove(folder_.path() / "started");
        runner_settings settings;
        settings.limit_ms = e.cancel ? 60000 : 5000;
        settings.cancel = std::make_shared<cancel_token>();
        std::thread stopper([&] {
            if (e.cancel && appears_soon(folder_.path() / "started")) settings.cancel->cancel();
        });
        EXPECT_EQ(run_script(u"out", hanging_steps(), data_, true, settings), "");
        stopper.join();
        const call_record& call = data_.last_call;
        EXPECT_EQ(call.result, e.expected) << to_string(call.result);
        ASSERT_EQ(call.output.substr(0, 7), "partial");
        const DWORD grandchild = std::stoul(call.output.substr(7));
        EXPECT_TRUE(ends_soon(grandchild)) << "grandchild survived";
        EXPECT_EQ(data_.standard_output, "earlier");
        EXPECT_TRUE(std::filesystem::is_empty(folder_.path() / "data")) << "bridge file left";
    }
}

}  // namespace
