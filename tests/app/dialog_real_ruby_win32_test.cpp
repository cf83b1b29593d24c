// The Win32 dialog with the real Windows Ruby, the only ruby.exe on the search path
// (scripts/test-windows builds it; the test runs only with it): paths, output and
// messages in Japanese, the time limit and closing during a run.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/debugger_controller.h"
#include "app/dialog_template.h"
#include "app/dialog_win32/vuro_direct_script_plugin_test_dlg.h"
#include "app/run_notices.h"
#include "platform/executable_path.h"
#include "tests/app/win32_window_helpers.h"
#include "tests/support/environment.h"
#include "tests/support/scratch.h"
#include "utility/data_folder.h"
#include "utility/text_conversion.h"

namespace {

using namespace vuro_plugin;
using namespace std::chrono_literals;
using test_support::pump_until;
using test_support::window_text;
namespace fs = std::filesystem;
using dialog = Cvuro_direct_script_plugin_testDlg;

fs::path wide_path(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

std::string narrow(const std::wstring& text) {
    return utility::utf16_to_utf8(std::u16string(text.begin(), text.end()));
}

HWND item(const dialog& d, control_id id) { return ::GetDlgItem(d.window(), id); }

class dialog_real_ruby_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
    }
    void SetUp() override { fs::create_directories(wide_path(utility::product_data_folder())); }
    void TearDown() override {
        for (const auto& box : answerer_.seen()) ADD_FAILURE() << "message: " << narrow(box.text);
    }
    static fs::path data_folder() {
        return wide_path(utility::product_data_folder()) / "VURODIRECT";
    }

    // The plug-in `name` with `text` in `folder` below the scratch folder; a dialog open
    // on that folder, the plug-in picked, "きょう" typed and Run pressed.
    std::unique_ptr<dialog> run(const fs::path& folder, const std::wstring& name,
                                const std::string& text, controller_options options = {}) {
        const fs::path plugins = folder_.path() / folder;
        fs::create_directories(plugins);
        std::ofstream(plugins / name) << text;
        const std::wstring path = plugins.wstring() + L"\\";
        auto d = std::make_unique<dialog>(std::u16string(path.begin(), path.end()), options);
        EXPECT_NE(d->Create(), nullptr);
        ::SetWindowTextW(item(*d, id_lookup_text), L"きょう");
        ::SendMessageW(item(*d, id_run), BM_CLICK, 0, 0);
        return d;
    }
    static std::wstring box(const dialog& d, control_id id) { return window_text(item(d, id)); }

    test_support::scratch_folder folder_;
    test_support::message_box_answerer answerer_;  // no run here shows a message
};

TEST_F(dialog_real_ruby_test, runs_a_plugin_under_japanese_names_and_shows_its_japanese_output) {
    auto d = run(L"日本語 フォルダ\\plugin", L"今日の日付.rb",
                 "module Vuro_plugin\n"
                 "  def run_process(request)\n"
                 "    puts '日本語の出力'\n"
                 "    $stderr.puts '日本語の診断'\n"
                 "    { 'candidate' => [{ 'hyoki' => request['composition_string'] + 'です' }] }\n"
                 "  end\n"
                 "end\n");
    ASSERT_TRUE(pump_until([&] { return !d->run_in_progress(); }));

    const std::wstring output = box(*d, id_standard_output);
    EXPECT_EQ(output.rfind(L"syntax ok\r\n日本語の出力\r\n<?xml version=\"1.0\"", 0), 0u) << output;
    EXPECT_NE(output.find(L"\t\t<title>きょうです</title>\r\n"), std::wstring::npos) << output;
    EXPECT_EQ(box(*d, id_standard_error), L"日本語の診断\r\n\r\n");
    ::UpdateWindow(d->window());
    const fs::path program = wide_path(platform::executable_path());
    EXPECT_TRUE(test_support::save_window_picture(
        d->window(),
        (program.parent_path().parent_path() / "dialog-after-japanese-path-run.png").wstring()));
}

// What Ruby writes itself: an exception's place in the plug-in, in UTF-8, and a file it
// could not load, named in the ANSI code page (the Korean folder's name is not in code
// page 932 and reaches Ruby as "??").
TEST_F(dialog_real_ruby_test, shows_ruby_s_own_messages_readable) {
    const struct {
        const wchar_t* folder;
        const char* body;  // of run_process
        const wchar_t* expected;
    } cases[] = {
        {L"日本語 フォルダ", "    raise '日本語の例外'\n",
         L"日本語 フォルダ/x.rb:3:in `run_process': 日本語の例外 (RuntimeError)\r\n"},
        {L"日本語 フォルダ\\한국", "    {}\n", L"/日本語 フォルダ/?\?/x.rb (LoadError)\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.folder));
        auto d = run(c.folder, L"x.rb",
                     std::string("module Vuro_plugin\n  def run_process(request)\n") + c.body +
                         "  end\nend\n");
        ASSERT_TRUE(pump_until([&] { return !d->run_in_progress(); }));
        const std::wstring error = box(*d, id_standard_error);
        EXPECT_NE(error.find(c.expected), std::wstring::npos) << narrow(error);
        EXPECT_EQ(error.find(L'\uFFFD'), std::wstring::npos) << narrow(error);
    }
}

// A plug-in that says its process id and sleeps: the time limit (30 s, for a loaded
// machine, where a Ruby start under Wine can take ten), or closing the window, ends that
// process (waited for by its id) and leaves no bridge file in the data folder.
TEST_F(dialog_real_ruby_test, time_limit_and_closing_end_the_interpreter) {
    const fs::path marker = folder_.path() / "pid";
    const test_support::scoped_environment marker_variable("REAL_RUBY_MARKER", marker.string());
    const std::string sleeper =
        "File.write(ENV['REAL_RUBY_MARKER'], Process.pid.to_s)\nsleep 120\n";
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "closed" : "time limit");
        fs::remove(marker);
        controller_options options;
        options.runner.limit_ms = 30000;
        auto d = run(close ? L"close" : L"limit", L"sleeper.rb", sleeper, options);
        DWORD id = 0;
        ASSERT_TRUE(pump_until([&] { return bool(std::ifstream(marker) >> id); }));
        const test_support::process_watch watch({id});
        if (close) {
            ::SendMessageW(d->window(), WM_CLOSE, 0, 0);
            EXPECT_EQ(d->window(), nullptr);
        } else {
            ASSERT_TRUE(pump_until([&] { return !d->run_in_progress(); }));
            const std::u16string notice = time_limit_notice(script_call::processing, 30000);
            EXPECT_NE(box(*d, id_standard_error).find(std::wstring(notice.begin(), notice.end())),
                      std::wstring::npos);
        }
        EXPECT_TRUE(pump_until([&] { return watch.all_ended(); }, 30s));
        // Other test programs' preference folders stay (see dialog_win32_test.cpp).
        for (const auto& left : fs::directory_iterator(data_folder()))
            EXPECT_FALSE(left.is_regular_file()) << narrow(left.path().wstring());
    }
}

}  // namespace
