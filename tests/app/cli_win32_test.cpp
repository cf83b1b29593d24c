// plugdebug-cli.exe under Windows, with the stand-in ruby.exe on the search path: its
// arguments arrive as UTF-8 whatever the ANSI code page, and its output leaves as the
// bytes it is given, line ends included.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/child_process.h"
#include "platform/executable_path.h"
#include "tests/support/environment.h"
#include "tests/support/scratch.h"
#include "utility/data_folder.h"
#include "utility/text_conversion.h"

namespace {

namespace fs = std::filesystem;

fs::path program_folder() {
    const std::u16string self = platform::executable_path();
    return fs::path(std::wstring(self.begin(), self.end())).parent_path();
}

struct cli_run {
    int code = -1;
    std::string out, err;
};

cli_run run_cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), (program_folder() / "plugdebug-cli.exe").u8string());
    platform::child_process child;
    cli_run result;
    if (child.start(arguments, {}) != platform::child_process::start_result::started) return result;
    while (child.wait(result.out, result.err, 60000) ==
           platform::child_process::wait_result::running) {
    }
    result.code = child.exit_code();
    return result;
}

TEST(cli_win32, arguments_and_output_are_utf8_bytes) {
    const std::u16string product = utility::product_data_folder();
    fs::create_directories(fs::path(std::wstring(product.begin(), product.end())));
    const test_support::scoped_environment path(
        "PATH", (program_folder() / "stand-in").string() + ";" + std::getenv("PATH"));
    test_support::scratch_folder scratch;
    const fs::path japanese = scratch.path() / fs::u8path("日本語");
    fs::create_directories(japanese);
    std::ofstream(japanese / "a.rb") << "#\n";

    // The sushi is in no ANSI code page.
    const std::string candidate =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n\n<itemlist>\n"
        "\t<item type=\"script_candidate\">\n\t\t<title>きょう🍣</title>\n\t</item>\n</itemlist>\n";
    const struct {
        std::vector<std::string> arguments;
        int code;
        std::string out, err;
    } cases[] = {
        {{"--version"}, 0, "plugdebug-cli 23.0\nVUROダイレクト スクリプト デバッガー\n", ""},
        {{"today.rb", "きょう🍣"}, 0, "syntax ok\n" + candidate + "\n", "run_process きょう🍣\n\n"},
        {{(japanese / "a.rb").u8string(), "きょう🍣"},
         0,
         "syntax ok\n" + candidate + "\n",
         "run_process きょう🍣\n\n"},
        {{"無い.rb", "x"}, 2, "", "plugdebug-cli: no such plug-in file: 無い.rb\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const cli_run result = run_cli(c.arguments);
        EXPECT_EQ(result.code, c.code);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
    }
}

}  // namespace
