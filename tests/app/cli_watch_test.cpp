// plugdebug-cli --watch: saves of every kind start a run, a save during a run replaces
// it, and Ctrl+C leaves nothing behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "tests/support/child_probe.h"
#include "tests/support/environment.h"
#include "tests/support/scratch.h"
#include "tests/support/started_program.h"

namespace {

namespace fs = std::filesystem;
using test_support::file_text;
using test_support::wait_until;

// A plug-in that answers `mark`; with `hang` its processing call first writes its process
// id to PLUGDEBUG_TEST_PIDS and sleeps.
std::string plugin_text(const std::string& mark, bool hang) {
    const char* hang_first = R"(
    File.write("#{ENV['PLUGDEBUG_TEST_PIDS']}.part", Process.pid.to_s)
    File.rename("#{ENV['PLUGDEBUG_TEST_PIDS']}.part", ENV['PLUGDEBUG_TEST_PIDS'])
    sleep 600)";
    return "module Vuro_plugin\n  def mark\n    '" + mark + "'\n  end\n\n  def run_process(_)" +
           (hang ? hang_first : "") +
           "\n    { 'candidate' => [{ 'hyoki' => mark }] }\n  end\nend\n";
}

bool holds(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

void write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class cli_watch_test : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(data_home_ / "Halvane" / "Vuro");
        fs::create_directory(folder_);
    }
    test_support::started_program start(const std::string& plugin_text, const char* text = "x") {
        write(plugin_, plugin_text);
        return test_support::started_program({PLUGDEBUG_CLI, "--watch", plugin_.string(), text},
                                             out_, err_);
    }
    bool shows(const std::string& mark) const {
        return wait_until([&] { return file_text(out_).find(mark) != std::string::npos; });
    }
    // The hanging call's interpreter, once it has named itself; 0 when it did not.
    int hanging_interpreter() const {
        int pid = 0;
        if (wait_until([&] { return fs::exists(pids_); }))
            std::istringstream(file_text(pids_)) >> pid;
        fs::remove(pids_);
        return pid;
    }
    bool no_bridge_file() const {
        std::error_code error;
        return fs::directory_iterator(data_home_ / "Halvane" / "Vuro" / "VURODIRECT", error) ==
               fs::directory_iterator();
    }
    // What each separator line on standard error says after the run's number.
    std::vector<std::string> runs() const {
        static const std::regex line(R"(---- \d\d:\d\d:\d\d run (\d+) of watched\.rb(.*) ----)");
        std::vector<std::string> runs;
        std::istringstream lines(file_text(err_));
        std::smatch match;
        for (std::string text; std::getline(lines, text);)
            if (std::regex_match(text, match, line))
                runs.push_back(match[1].str() + match[2].str());
        return runs;
    }

    const fs::path data_home_ = test_support::scratch_home() / ".local" / "share";
    test_support::scratch_folder scratch_;
    const fs::path folder_ = scratch_.path() / "plugin", plugin_ = folder_ / "watched.rb";
    const fs::path pids_ = scratch_.path() / "pids";
    const fs::path out_ = scratch_.path() / "out", err_ = scratch_.path() / "err";
    const test_support::scoped_environment pid_file_{"PLUGDEBUG_TEST_PIDS", pids_.string()};
};

// Saves in place, by renaming a new file over the plug-in, during a run, and a delete:
// one run each; then Ctrl+C while it waits.
TEST_F(cli_watch_test, every_save_runs_the_plug_in_again_and_a_save_during_a_run_replaces_it) {
    auto cli = start(plugin_text("mark-one", false));
    ASSERT_TRUE(shows("mark-one")) << file_text(err_);
    std::ofstream(plugin_, std::ios::app) << "module Vuro_plugin\n  def mark\n    'mark-two'\n"
                                             "  end\nend\n";
    ASSERT_TRUE(shows("mark-two")) << file_text(err_);
    write(folder_ / "watched.rb.new", plugin_text("mark-three", true));
    fs::rename(folder_ / "watched.rb.new", plugin_);
    const int hanging = hanging_interpreter();
    ASSERT_GT(hanging, 0) << file_text(err_);
    write(plugin_, plugin_text("mark-four", false));
    ASSERT_TRUE(shows("mark-four")) << file_text(err_);
    EXPECT_TRUE(wait_until([&] { return !test_support::process_running(hanging); }));
    fs::remove(plugin_);
    ASSERT_TRUE(wait_until([&] { return holds(file_text(err_), "watched.rb is missing"); }));
    write(plugin_, plugin_text("mark-five", false));
    ASSERT_TRUE(shows("mark-five")) << file_text(err_);

    ::kill(cli.pid(), SIGINT);
    EXPECT_EQ(cli.exit_code(), 130);
    const std::string out = file_text(out_), err = file_text(err_), saved = ", saved: watched.rb";
    EXPECT_EQ(runs(), (std::vector<std::string>{"1", "2" + saved, "3" + saved, "4" + saved,
                                                "5" + saved, "6" + saved}))
        << err;
    EXPECT_FALSE(holds(out, "mark-three"));   // its call was stopped
    EXPECT_FALSE(holds(out, "----")) << out;  // standard output holds the box's text only
    EXPECT_TRUE(holds(err, "（実行を中止しました。ここまでが中止までの出力です）")) << err;
    EXPECT_TRUE(no_bridge_file());
}

TEST_F(cli_watch_test, ctrl_c_during_a_run_ends_the_interpreter_and_leaves_no_bridge_file) {
    auto cli = start(plugin_text("mark", true));
    const int hanging = hanging_interpreter();
    ASSERT_GT(hanging, 0) << file_text(err_);
    ::kill(cli.pid(), SIGINT);
    EXPECT_EQ(cli.exit_code(), 130) << file_text(err_);
    EXPECT_TRUE(wait_until([&] { return !test_support::process_running(hanging); }));
    EXPECT_TRUE(no_bridge_file());
    EXPECT_EQ(runs(), std::vector<std::string>{"1"});
}

// No save can mend a TEXT the run refuses: the program ends at once, as without --watch.
TEST_F(cli_watch_test, a_refused_text_ends_it_at_once) {
    auto cli = start(plugin_text("mark", false), "");
    EXPECT_EQ(cli.exit_code(), 2);
    EXPECT_TRUE(holds(file_text(err_), "検索対象となる文字列を設定してから実行してください"));
}

}  // namespace
