#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/child_process.h"
#include "tests/support/child_probe.h"
#include "tests/support/environment.h"
#include "tests/support/scratch.h"
#include "tests/support/started_program.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct cli_run {
    int code = -1;
    std::string out, err;
};

cli_run run_cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), PLUGDEBUG_CLI);
    platform::child_process child;
    cli_run result;
    if (child.start(arguments, {}) != platform::child_process::start_result::started) return result;
    while (child.wait(result.out, result.err, 60000) ==
           platform::child_process::wait_result::running) {
    }
    result.code = child.exit_code();
    return result;
}

bool holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class cli_test : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(data_home_ / "Halvane" / "Vuro"); }
    const fs::path data_home_ = test_support::scratch_home() / ".local" / "share";
};

TEST_F(cli_test, every_option_and_exit_code) {
    const std::string plugin = std::string(APP_PLUGINS) + "/front_end.rb";
    test_support::scratch_folder scratch;
    const std::string not_a_script = (scratch.path() / "notes.txt").string();
    std::ofstream(not_a_script) << "text\n";
    const struct {
        std::vector<std::string> arguments;
        int code;
        std::string out_holds, err_holds;  // each must appear; an empty one is not checked
    } cases[] = {
        {{"--help"}, 0, "Usage: plugdebug-cli", ""},
        {{"--version"}, 0, "plugdebug-cli 23.0\n", ""},
        {{"--list"}, 0, "today.rb\n", ""},
        {{"today.rb", "きょう"}, 0, "syntax ok\n<?xml", ""},
        {{plugin, "two", "--viewer-xml"},
         0,
         "</itemlist>\n\n<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n\n<itemlist>\n"
         "\t<item type=\"candidate\">\n\t\t<title>一</title>\n",
         ""},
        {{"--callback", "候補", plugin, "x"}, 0, "committed 候補 for x\n", "callback note\n"},
        {{"--preference", plugin, "x"}, 0, "preference ", ""},
        {{"--callback=c", "today.rb", "x"}, 0, "syntax ok", "declares no callback"},
        {{not_a_script, "x"}, 1, "", "no language accepted"},
        {{"--bogus", "today.rb", "x"}, 2, "", "unknown option --bogus"},
        {{"today.rb"}, 2, "", "PLUGIN and TEXT are required"},
        {{"today.rb", "x", "--callback"}, 2, "", "needs a CANDIDATE"},
        {{"no-such-plugin.rb", "x"}, 2, "", "no such plug-in file: no-such-plugin.rb"},
        {{scratch.path().string(), "x"}, 2, "", "no such plug-in file"},
        {{"today.rb", ""}, 2, "", "検索対象となる文字列を設定してから実行してください\n"},
        {{"today.rb", std::string(201, 'a')}, 2, "", "200文字以内"},
        {{"today.rb", "--", "--list"}, 0, "syntax ok", ""},
        {{"today.rb", "\xff\xfe"}, 0, "syntax ok", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const cli_run result = run_cli(c.arguments);
        EXPECT_EQ(result.code, c.code) << result.err;
        EXPECT_TRUE(holds(result.out, c.out_holds)) << result.out;
        EXPECT_TRUE(holds(result.err, c.err_holds)) << result.err;
    }
}

TEST_F(cli_test, missing_product_folder_names_the_folder_to_create) {
    fs::remove_all(data_home_ / "Halvane");
    const cli_run result = run_cli({"today.rb", "きょう"});
    EXPECT_EQ(result.code, 3);
    EXPECT_TRUE(holds(result.err, "実行中に予期せぬエラーが発生しました。\n")) << result.err;
    EXPECT_TRUE(holds(result.err, (data_home_ / "Halvane" / "Vuro").string() + "/")) << result.err;
    EXPECT_TRUE(holds(result.err, "utility::get_vuro_direct_data_folder() call error1"))
        << result.err;
}

}  // namespace

namespace {

using test_support::file_text;
using test_support::wait_until;

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// plugdebug-cli, started as test_support::started_program.
class started_cli : public test_support::started_program {
public:
    started_cli(std::vector<std::string> arguments, const fs::path& out_file,
                const fs::path& err_file, int out = -1)
        : started_program(with_program(std::move(arguments)), out_file, err_file, out) {}

private:
    static std::vector<std::string> with_program(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), PLUGDEBUG_CLI);
        return arguments;
    }
};

class cli_stop_test : public cli_test {
protected:
    fs::path bridge_folder() const { return data_home_ / "Halvane" / "Vuro" / "VURODIRECT"; }
    std::vector<fs::path> files_in_bridge_folder() const {
        std::vector<fs::path> files;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(bridge_folder(), error))
            if (!entry.is_directory()) files.push_back(entry.path());
        return files;
    }
    const std::string plugin_ = std::string(APP_PLUGINS) + "/stopping.rb";
    test_support::scratch_folder scratch_;
};

// Ctrl+C, a terminal that goes away, a kill, or a plug-in that ends its own host: the
// interpreter and what it started end with the program, and the bridge file goes.
TEST_F(cli_stop_test, a_termination_request_during_a_call_ends_the_plug_in_and_its_bridge_file) {
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        int signal;  // 0: the plug-in sends SIGTERM to its parent itself
        int code;
    } cases[] = {
        {"SIGINT during processing", {plugin_, "hang"}, SIGINT, 130},
        {"SIGTERM during processing", {plugin_, "hang"}, SIGTERM, 143},
        {"SIGHUP during processing", {plugin_, "hang"}, SIGHUP, 129},
        {"the plug-in ends its parent", {plugin_, "hang and end parent"}, 0, 143},
        {"SIGINT during a callback", {"--callback", "hang", plugin_, "x"}, SIGINT, 130},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path pids = scratch_.path() / (std::string(c.name) + ".pids");
        const test_support::scoped_environment pid_file("PLUGDEBUG_TEST_PIDS", pids.string());
        started_cli cli(c.arguments, scratch_.path() / "out", scratch_.path() / "err");
        ASSERT_GT(cli.pid(), 0);
        ASSERT_TRUE(wait_until([&] { return fs::exists(pids) || cli.ended(); }));
        int interpreter = 0, grandchild = 0;
        std::istringstream(file_text(pids)) >> interpreter >> grandchild;
        ASSERT_GT(grandchild, 0) << file_text(scratch_.path() / "err");
        if (c.signal != 0) ::kill(cli.pid(), c.signal);
        EXPECT_EQ(cli.exit_code(), c.code) << file_text(scratch_.path() / "err");
        EXPECT_TRUE(holds(file_text(scratch_.path() / "err"),
                          "plugdebug-cli: （実行を中止しました。ここまでが中止までの出力です）\n"))
            << file_text(scratch_.path() / "err");
        EXPECT_TRUE(wait_until([&] {
            return !test_support::process_running(interpreter) &&
                   !test_support::process_running(grandchild);
        }));
        EXPECT_EQ(files_in_bridge_folder(), std::vector<fs::path>{});
        if (test_support::process_running(grandchild)) ::kill(grandchild, SIGKILL);
        if (test_support::process_running(interpreter)) ::kill(interpreter, SIGKILL);
    }
}

// A full disk, a reader that went away: the exit code must not claim that all was said.
TEST_F(cli_stop_test, output_that_cannot_be_written_is_never_success) {
    int closed_pipe[2];
    ASSERT_EQ(::pipe(closed_pipe), 0);
    ::close(closed_pipe[0]);
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        fs::path out_file, err_file;
        int out;
        bool exit_3;  // else any code but 0 (a closed pipe may end it by SIGPIPE)
    } cases[] = {
        {"run, output full",
         {"today.rb", "きょう"},
         "/dev/full",
         scratch_.path() / "err",
         -1,
         true},
        {"help, output full", {"--help"}, "/dev/full", scratch_.path() / "err", -1, true},
        {"run, error full", {plugin_, "x"}, scratch_.path() / "out", "/dev/full", -1, true},
        {"usage error, error full", {"--bogus"}, scratch_.path() / "out", "/dev/full", -1, true},
        {"run, output closed",
         {"today.rb", "きょう"},
         {},
         scratch_.path() / "err",
         closed_pipe[1],
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        started_cli cli(c.arguments, c.out_file, c.err_file, c.out);
        ASSERT_GT(cli.pid(), 0);
        const int code = cli.exit_code();
        if (c.exit_3) {
            EXPECT_EQ(code, 3);
        } else {
            EXPECT_NE(code, 0);
            EXPECT_NE(code, started_cli::not_ended);
        }
    }
    ::close(closed_pipe[1]);
}

// --callback prints what its own call printed, once, and says when the call did not run
// rather than showing the processing call's outputs again.
TEST_F(cli_stop_test, a_callback_prints_only_its_own_call) {
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::size_t processing, callback;  // how often each call's output is printed
        std::string err_holds;
    } cases[] = {
        {"callback ran", {"--callback", "x", plugin_, "text"}, 1, 1, ""},
        {"callback could not write its bridge file",
         {"--callback", "x", plugin_, "lose folder"},
         1,
         0,
         "（コールバック（run_callback）の呼び出しは実行されませんでした"},
        {"callback cut at the capture limit",
         {"--callback", "flood", plugin_, "text"},
         1,
         1,
         "（出力が 64 MiB を超えたため、それ以降は破棄しました）\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(bridge_folder());  // a file, after "lose folder"
        const fs::path out = scratch_.path() / "out", err = scratch_.path() / "err";
        started_cli cli(c.arguments, out, err);
        EXPECT_EQ(cli.exit_code(), 0) << file_text(err).substr(0, 2000);
        const std::string printed = file_text(out), noted = file_text(err);
        EXPECT_EQ(count_of(printed, "processing output"), c.processing) << printed;
        EXPECT_EQ(count_of(noted, "processing note"), c.processing);
        EXPECT_EQ(count_of(printed, "callback output"), c.callback) << printed;
        EXPECT_TRUE(holds(noted, c.err_holds)) << noted.substr(0, 2000);
    }
}

}  // namespace
