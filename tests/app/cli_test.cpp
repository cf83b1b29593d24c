#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/child_process.h"
#include "tests/support/environment.h"
#include "tests/support/scratch.h"

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
