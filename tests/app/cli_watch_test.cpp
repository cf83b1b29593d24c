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

constexpr char stop_notice[] = "（実行を中止しました。ここまでが中止までの出力です）";

// A plug-in that answers `mark` through its method `mark`; with `hang` its processing call
// first writes its own and a sleeping grandchild's process ids to PLUGDEBUG_TEST_PIDS.
std::string plugin_text(const std::string& mark, bool hang) {
    const std::string hang_first = R"(
    grandchild = spawn('sleep', '600')
    pids = ENV.fetch('PLUGDEBUG_TEST_PIDS')
    File.write("#{pids}.part", "#{Process.pid} #{grandchild}\n")
    File.rename("#{pids}.part", pids)
    sleep 600)";
    return "module Vuro_plugin\n  def mark\n    '" + mark +
           "'\n  end\n\n  def run_process(request)" + (hang ? hang_first : "") +
           "\n    { 'candidate' => [{ 'hyoki' => mark }] }\n  end\nend\n";
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

    test_support::started_program start(const std::string& plugin_text) {
        write(plugin_, plugin_text);
        return test_support::started_program({PLUGDEBUG_CLI, "--watch", plugin_.string(), "x"},
                                             out_, err_);
    }
    bool shows(const std::string& mark) const {
        return wait_until([&] { return file_text(out_).find(mark) != std::string::npos; });
    }
    // The interpreter's and its grandchild's process ids, once the hanging call wrote them.
    std::vector<int> hanging_processes() const {
        if (!wait_until([&] { return fs::exists(pids_); })) return {};
        int interpreter = 0, grandchild = 0;
        std::istringstream(file_text(pids_)) >> interpreter >> grandchild;
        fs::remove(pids_);
        return {interpreter, grandchild};
    }
    bool all_ended(const std::vector<int>& processes) const {
        return wait_until([&] {
            for (int pid : processes)
                if (test_support::process_running(pid)) return false;
            return true;
        });
    }
    std::vector<fs::path> bridge_files() const {
        std::vector<fs::path> files;
        std::error_code error;
        for (const auto& entry :
             fs::directory_iterator(data_home_ / "Halvane" / "Vuro" / "VURODIRECT", error))
            if (!entry.is_directory()) files.push_back(entry.path());
        return files;
    }
    // What the separator lines of standard error say after the run's number: "" for the
    // first run, the saved files' names for the others.
    std::vector<std::string> runs() const {
        static const std::regex separator(
            R"(---- \d\d:\d\d:\d\d run (\d+) of watched\.rb(.*) ----)");
        std::vector<std::string> runs;
        std::istringstream lines(file_text(err_));
        std::smatch match;
        for (std::string line; std::getline(lines, line);)
            if (std::regex_match(line, match, separator))
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

TEST_F(cli_watch_test, every_save_runs_the_plug_in_again_and_a_save_during_a_run_replaces_it) {
    auto cli = start(plugin_text("mark-one", false));
    ASSERT_TRUE(shows("mark-one")) << file_text(err_);

    std::ofstream(plugin_, std::ios::app) << "module Vuro_plugin\n  def mark\n    'mark-two'\n"
                                             "  end\nend\n";
    ASSERT_TRUE(shows("mark-two")) << file_text(err_);

    write(folder_ / "watched.rb.new", plugin_text("mark-three", true));
    fs::rename(folder_ / "watched.rb.new", plugin_);
    const std::vector<int> hanging = hanging_processes();
    ASSERT_EQ(hanging.size(), 2u) << file_text(err_);

    write(plugin_, plugin_text("mark-four", false));
    ASSERT_TRUE(shows("mark-four")) << file_text(err_);
    EXPECT_TRUE(all_ended(hanging));

    fs::remove(plugin_);
    ASSERT_TRUE(wait_until(
        [&] { return file_text(err_).find("watched.rb is missing") != std::string::npos; }));
    write(plugin_, plugin_text("mark-five", false));
    ASSERT_TRUE(shows("mark-five")) << file_text(err_);

    ::kill(cli.pid(), SIGINT);
    EXPECT_EQ(cli.exit_code(), 130);
    const std::string out = file_text(out_), err = file_text(err_);
    const std::string saved = ", saved: watched.rb";
    EXPECT_EQ(runs(), (std::vector<std::string>{"1", "2" + saved, "3" + saved, "4" + saved,
                                                "5" + saved, "6" + saved}))
        << err;
    EXPECT_EQ(out.find("mark-three"), std::string::npos);   // its call was stopped
    EXPECT_EQ(out.find("----"), std::string::npos) << out;  // standard output is the box's
    EXPECT_NE(err.find(stop_notice), std::string::npos) << err;
    EXPECT_EQ(bridge_files(), std::vector<fs::path>{});
}

TEST_F(cli_watch_test, a_termination_request_ends_the_run_and_the_watch_leaving_nothing) {
    const struct {
        const char* name;
        bool during_a_run;
        int signal, code;
    } cases[] = {
        {"Ctrl+C during a run", true, SIGINT, 130},
        {"SIGTERM during a run", true, SIGTERM, 143},
        {"Ctrl+C while waiting for a save", false, SIGINT, 130},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto cli = start(plugin_text("mark", c.during_a_run));
        const std::vector<int> hanging = c.during_a_run ? hanging_processes() : std::vector<int>{};
        if (c.during_a_run) {
            ASSERT_EQ(hanging.size(), 2u) << file_text(err_);
        } else {
            ASSERT_TRUE(shows("mark")) << file_text(err_);
        }
        ::kill(cli.pid(), c.signal);
        EXPECT_EQ(cli.exit_code(), c.code) << file_text(err_);
        EXPECT_TRUE(all_ended(hanging));
        EXPECT_EQ(bridge_files(), std::vector<fs::path>{});
        EXPECT_EQ(runs(), std::vector<std::string>{"1"});
        for (int pid : hanging)
            if (test_support::process_running(pid)) ::kill(pid, SIGKILL);
    }
}

// Nothing a save could mend is watched for: the program ends at once, as without --watch.
TEST_F(cli_watch_test, input_no_save_can_mend_ends_it_at_once) {
    write(plugin_, plugin_text("mark", false));
    const struct {
        std::vector<std::string> arguments;
        std::string err_holds;
    } cases[] = {
        {{plugin_.string(), ""}, "検索対象となる文字列を設定してから実行してください"},
        {{plugin_.string(), std::string(201, 'a')}, "200文字以内"},
        {{(folder_ / "missing.rb").string(), "x"}, "no such plug-in file"},
        {{"--list"}, "--watch needs PLUGIN and TEXT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err_holds);
        std::vector<std::string> arguments{PLUGDEBUG_CLI, "--watch"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        test_support::started_program cli(arguments, out_, err_);
        EXPECT_EQ(cli.exit_code(), 2);
        EXPECT_NE(file_text(err_).find(c.err_holds), std::string::npos) << file_text(err_);
    }
}

}  // namespace
