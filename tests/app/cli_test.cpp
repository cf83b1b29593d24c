#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

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
        {{"--timings", "today.rb", "きょう"}, 0, "syntax ok", " s, processing "},
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
    const std::string hanging_cases = (scratch_.path() / "hanging.json").string();
    std::ofstream(hanging_cases) << R"({"plugin": ")" << plugin_
                                 << R"(", "cases": [{"text": "hang"}, {"text": "hang"}]})";
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
        {"SIGINT during --check -j 2", {"--check", hanging_cases, "-j", "2"}, SIGINT, 130},
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

namespace {

// plugdebug-cli --check: the cases files a plug-in author writes, good and bad.
class cli_check_test : public cli_test {
protected:
    // The plug-ins' preference folders the runs made: later tests expect an empty data folder.
    void TearDown() override { fs::remove_all(data_home_ / "Halvane" / "Vuro" / "VURODIRECT"); }
    std::string cases_file(const std::string& name, const std::string& json) {
        const fs::path path = scratch_.path() / name;
        std::ofstream(path, std::ios::binary) << json;
        return path.string();
    }
    static std::string last_line(const std::string& text) {
        const std::size_t end = text.size() - (text.empty() || text.back() != '\n' ? 0 : 1);
        const std::size_t start = text.rfind('\n', end == 0 ? 0 : end - 1);
        return text.substr(start == std::string::npos ? 0 : start + 1, end - (start + 1));
    }
    // The front end's test plug-in: "two" gives 一 and 二, "proxy" writes "0|0" on
    // standard error, any other text one candidate of itself.
    const std::string plugin_ = std::string(APP_PLUGINS) + "/front_end.rb";
    std::string with_cases(const std::string& cases) const {
        return R"({"plugin": ")" + plugin_ + R"(", "cases": [)" + cases + "]}";
    }
    test_support::scratch_folder scratch_;
};

TEST_F(cli_check_test, each_cases_file_gives_its_lines_and_exit_code) {
    const struct {
        const char* name;
        std::string json;
        int code;
        std::string out_holds;  // for 0 and 4, the last line is "N passed, N failed"
        std::string closing_or_err;
    } cases[] = {
        {"all pass", with_cases(R"({"text": "two", "titles": ["一", "二"], "count": 2},
                       {"text": "x", "contains": ["x"]}, {"text": "proxy", "stderr": "0|0"},
                       {"text": "zero", "count": 0})"),
         0, "ok 1 two\nok 2 x\nok 3 proxy\nok 4 zero\n", "4 passed, 0 failed"},
        {"titles in another order", with_cases(R"({"text": "two", "titles": ["二", "一"]})"), 4,
         R"(FAIL 1 two: titles ["二","一"] expected, got ["一","二"])", "0 passed, 1 failed"},
        {"a title missing",
         with_cases(R"({"text": "two", "contains": ["一", "三"]}, {"text": "x"})"), 4,
         R"(FAIL 1 two: titles ["三"] missing from ["一","二"])", "1 passed, 1 failed"},
        {"count", with_cases(R"({"text": "zero", "count": 1})"), 4,
         "FAIL 1 zero: 1 candidates expected, got 0 (", "0 passed, 1 failed"},
        {"standard error", with_cases(R"({"text": "two", "stderr": "oops\r\n"})"), 4,
         R"(FAIL 1 two: standard error "oops\r\n" expected, got "")", "0 passed, 1 failed"},
        {"standard error, CR LF read as LF",
         with_cases(R"({"text": "lines", "stderr": "a\nb\r\n"})"), 0, "ok 1 lines\n",
         "1 passed, 0 failed"},
        {"malformed JSON",
         "{\n  \"plugin\": \"a.rb\",\n  \"cases\": [\n    {\"text\": \"x\",}\n  ]\n}", 2, "",
         "line 4, column 18: syntax error"},
        {"unknown key", with_cases(R"({"text": "x", "cuont": 1})"), 2, "", "unknown key \"cuont\""},
        {"wrong type", "{\"plugin\": \"a.rb\",\n \"cases\": [{\"text\": \"x\", \"count\": \"1\"}]}",
         2, "", "line 2, column 35: \"count\" must be a whole number"},
        {"no text", with_cases(R"({"count": 1})"), 2, "", "case 1 has no \"text\""},
        {"missing plug-in", R"({"plugin": "no-such.rb", "cases": [{"text": "x"}]})", 2, "",
         "no such plug-in file: no-such.rb"},
        {"no language", R"({"plugin": "notes.txt", "cases": [{"text": "x"}]})", 1, "",
         "no language accepted notes.txt"},
    };
    std::ofstream(scratch_.path() / "notes.txt") << "not a script\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const cli_run result = run_cli({"--check", cases_file("cases.json", c.json)});
        EXPECT_EQ(result.code, c.code) << result.out << result.err;
        EXPECT_TRUE(holds(result.out, c.out_holds)) << result.out;
        if (c.code == 0 || c.code == 4)
            EXPECT_EQ(last_line(result.out), c.closing_or_err) << result.out;
        else
            EXPECT_TRUE(holds(result.err, c.closing_or_err)) << result.err;
    }
}

TEST_F(cli_check_test, two_at_a_time_print_what_one_at_a_time_prints) {
    std::string cases;
    for (int i = 0; i < 12; ++i)
        cases += std::string(i == 0 ? "" : ",") + R"({"text": "t)" + std::to_string(i) +
                 R"(", "titles": [")" + (i % 3 == 0 ? "other" : "t" + std::to_string(i)) + "\"]}";
    const std::string file = cases_file("cases.json", with_cases(cases));
    const cli_run one = run_cli({"--check", file});
    const cli_run two = run_cli({"--check", file, "-j", "2"});
    EXPECT_EQ(one.code, 4);
    EXPECT_EQ(two.code, 4);
    EXPECT_EQ(last_line(one.out), "8 passed, 4 failed");
    EXPECT_EQ(two.out, one.out);
    for (const auto& entry : fs::directory_iterator(data_home_ / "Halvane" / "Vuro" / "VURODIRECT"))
        EXPECT_TRUE(entry.is_directory()) << "a bridge file was left: " << entry.path();
}

TEST_F(cli_check_test, the_junit_report_holds_one_testcase_per_case_and_the_failures) {
    const std::string report = (scratch_.path() / "report.xml").string();
    const cli_run result =
        run_cli({"--check", cases_file("cases.json", with_cases(R"({"text": "two", "count": 2},
                     {"text": "a<&\"b", "titles": ["x"]})")),
                 "--junit", report});
    ASSERT_EQ(result.code, 4) << result.err;
    const std::string failure = R"(titles ["x"] expected, got ["a<&\"b"])";
    EXPECT_TRUE(holds(result.out, "FAIL 2 a<&\"b: " + failure + "\n")) << result.out;
    EXPECT_FALSE(fs::exists(report + ".tmp"));

    xmlDocPtr document = xmlReadFile(report.c_str(), nullptr, XML_PARSE_NONET);
    ASSERT_NE(document, nullptr) << file_text(report);
    std::vector<std::pair<std::string, std::string>> testcases;  // name, failure text
    const xmlNode* suites = xmlDocGetRootElement(document);
    for (const xmlNode* suite = suites->children; suite; suite = suite->next) {
        for (const xmlNode* one = suite->children; one; one = one->next) {
            if (one->type != XML_ELEMENT_NODE) continue;
            xmlChar* name = xmlGetProp(one, BAD_CAST "name");
            std::string failed;
            for (const xmlNode* part = one->children; part; part = part->next) {
                if (part->type != XML_ELEMENT_NODE) continue;
                xmlChar* text = xmlNodeGetContent(part);
                failed = std::string(reinterpret_cast<const char*>(part->name)) + ": " +
                         reinterpret_cast<const char*>(text);
                xmlFree(text);
            }
            testcases.emplace_back(reinterpret_cast<const char*>(name), failed);
            xmlFree(name);
        }
    }
    xmlFreeDoc(document);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"1 two", ""}, {"2 a<&\"b", "failure: " + failure}};
    EXPECT_EQ(testcases, expected);
}

// The sample plug-ins' own cases, as their authors would run them in CI.
TEST_F(cli_check_test, the_samples_pass_their_cases) {
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(SAMPLES_DIR)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 11 || name.substr(name.size() - 11) != ".cases.json") continue;
        SCOPED_TRACE(name);
        ++files;
        const cli_run result = run_cli({"--check", entry.path().string(), "-j", "2"});
        EXPECT_EQ(result.code, 0) << result.out << result.err;
        EXPECT_TRUE(holds(last_line(result.out), " passed, 0 failed")) << result.out;
    }
    EXPECT_EQ(files, 3u);
}

}  // namespace
