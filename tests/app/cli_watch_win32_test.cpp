// plugdebug-cli.exe --watch under Windows, with the stand-in ruby.exe on the search path:
// a save seen through ReadDirectoryChangesW starts the next run.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/child_process.h"
#include "platform/executable_path.h"
#include "tests/support/environment.h"
#include "tests/support/scratch.h"
#include "utility/data_folder.h"

namespace {

namespace fs = std::filesystem;

fs::path program_folder() {
    const std::u16string self = platform::executable_path();
    return fs::path(std::wstring(self.begin(), self.end())).parent_path();
}

// Reads the program's output until standard error holds `part` after `from`, for up to
// 30 s; where it ends, or npos.
std::size_t read_until(platform::child_process& cli, std::string& out, std::string& err,
                       const std::string& part, std::size_t from = 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (err.find(part, from) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline ||
            cli.wait(out, err, 1000) == platform::child_process::wait_result::ended)
            break;
    }
    const std::size_t at = err.find(part, from);
    return at == std::string::npos ? at : at + part.size();
}

TEST(cli_watch_win32, a_save_runs_the_plug_in_again) {
    const std::u16string product = utility::product_data_folder();
    fs::create_directories(fs::path(std::wstring(product.begin(), product.end())));
    const test_support::scoped_environment path(
        "PATH", (program_folder() / "stand-in").string() + ";" + std::getenv("PATH"));
    test_support::scratch_folder scratch;
    std::ofstream(scratch.path() / "a.rb") << "#\n";

    platform::child_process cli;
    ASSERT_EQ(cli.start({(program_folder() / "plugdebug-cli.exe").u8string(), "--watch",
                         (scratch.path() / "a.rb").u8string(), "x"},
                        {}),
              platform::child_process::start_result::started);
    std::string out, err;
    ASSERT_NE(read_until(cli, out, err, "run_process x\n"), std::string::npos) << err;
    std::ofstream(scratch.path() / "a.rb", std::ios::app) << "# saved\n";
    const std::size_t second = read_until(cli, out, err, " run 2 of a.rb, saved: a.rb ----\n");
    ASSERT_NE(second, std::string::npos) << err;
    EXPECT_NE(read_until(cli, out, err, "run_process x\n", second), std::string::npos) << err;
    EXPECT_EQ(out.find("----"), std::string::npos) << out;
    cli.kill_group();
}

}  // namespace
