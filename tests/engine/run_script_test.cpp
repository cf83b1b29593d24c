#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>

#include "engine/run_script.h"
#include "platform/child_process.h"
#include "platform/path_convention.h"
#include "tests/engine/runner_fixture.h"
#include "tests/support/environment.h"
#include "utility/file_access.h"
#include "utility/text_conversion.h"

namespace {

using namespace vuro_plugin;
using runner_test::widen;

class run_script_test : public runner_test::runner_fixture {
protected:
    runner_settings short_limit() const {
        runner_settings settings;
        settings.limit_ms = 300;
        return settings;
    }
};

TEST_F(run_script_test, completed_run_stores_and_returns_the_output) {
    auto data = shell_plugin("printf '%s|' \"$0\" \"$@\"; printf 'warn' >&2");
    const std::string output = run_script(u"run_process", {u"%61", u"", u"80"}, data, true);
    // $0 is the bridge file, a fresh 40-character name with the extension.
    const auto bar = output.find('|');
    ASSERT_EQ(bar, 43u) << output;
    EXPECT_EQ(output.substr(40, 3), ".sh");
    const std::string path =
        utility::url_encode(std::string(data.script_path.begin(), data.script_path.end()));
    EXPECT_EQ(output.substr(bar + 1), path + "|run_process|%61||80|");
    EXPECT_EQ(data.standard_output, output);
    EXPECT_EQ(data.standard_error, "warn");
    EXPECT_EQ(data.message, u"");
    EXPECT_EQ(files_in_data_folder(), 0u);
}

TEST_F(run_script_test, output_ends_at_the_first_zero_byte) {
    auto data = shell_plugin("printf 'ab\\000cd'; printf 'e\\000f' >&2");
    EXPECT_EQ(run_script(u"run_process", {}, data, true), "ab");
    EXPECT_EQ(data.standard_output, "ab");
    EXPECT_EQ(data.standard_error, "e");
}

TEST_F(run_script_test, large_error_stream_with_silent_output_does_not_stall) {
    auto data = shell_plugin("head -c 6000000 /dev/zero | tr '\\000' 'e' >&2");
    EXPECT_EQ(run_script(u"run_process", {}, data, true), "");
    EXPECT_EQ(data.standard_error.size(), 6000000u);
    EXPECT_EQ(data.standard_error.find_first_not_of('e'), std::string::npos);
}

// A plug-in printing without end is drained to its end (it would block and time out
// otherwise) but only the first bytes are kept; the mark follows each completed run.
TEST_F(run_script_test, output_past_the_capture_limit_is_drained_dropped_and_marked) {
    auto data = shell_plugin("yes | head -c \"$2\"; printf e >&2");
    constexpr std::size_t limit = platform::child_process::capture_limit;
    const std::pair<std::size_t, bool> runs[] = {
        {70000000, true}, {limit, false}, {limit + 1, true}};
    for (const auto& [printed, cut] : runs) {
        const std::string output = run_script(widen(std::to_string(printed)), {}, data, true);
        EXPECT_EQ(output.size(), limit) << printed;
        EXPECT_EQ(data.standard_output_cut, cut) << printed;
        EXPECT_FALSE(data.standard_error_cut);
        EXPECT_EQ(data.standard_error, "e");
    }
}

TEST_F(run_script_test, time_out_keeps_the_previous_outputs_and_message) {
    auto data = shell_plugin(
        "if [ \"$2\" = slow ]; then printf new; printf new >&2; sleep 30; fi;"
        " printf old; printf old-err >&2");
    EXPECT_EQ(run_script(u"fast", {}, data, true, short_limit()), "old");
    EXPECT_EQ(run_script(u"slow", {}, data, true, short_limit()), "");
    EXPECT_EQ(data.standard_output, "old");
    EXPECT_EQ(data.standard_error, "old-err");
    EXPECT_EQ(data.message, u"");
    EXPECT_EQ(files_in_data_folder(), 0u);
}

TEST_F(run_script_test, killed_or_failing_child_still_counts_as_completed) {
    auto data = shell_plugin("printf before; printf err >&2; kill -KILL $$");
    EXPECT_EQ(run_script(u"m", {}, data, true), "before");
    EXPECT_EQ(data.standard_error, "err");
    auto missing = shell_plugin("printf x; exit 127");
    EXPECT_EQ(run_script(u"m", {}, missing, true), "x");
}

TEST_F(run_script_test, missing_interpreter_sets_the_start_message) {
    auto data = shell_plugin("printf unused");
    data.interpreter = u"no-such-interpreter-here";
    data.standard_output = "earlier";
    EXPECT_EQ(run_script(u"syntax_check", {}, data, true), "");
    EXPECT_EQ(data.message,
              u"plugin.sh : [SCRIPT] no-such-interpreter-here"
              u"コマンドが実行できませんでした");
    EXPECT_EQ(data.standard_output, "earlier");
    EXPECT_EQ(files_in_data_folder(), 0u);
    // The syntax check fails but, with a message already set, keeps the plug-in usable.
    EXPECT_FALSE(check_syntax(data));
    EXPECT_TRUE(data.usable);
    EXPECT_EQ(data.message,
              u"plugin.sh : [SCRIPT] no-such-interpreter-here"
              u"コマンドが実行できませんでした");
}

TEST_F(run_script_test, unwritable_bridge_file_sets_the_temporary_file_message) {
    auto data = shell_plugin("printf unused");
    data.data_folder = widen((folder_.path() / "no-such-folder").string() + "/");
    EXPECT_EQ(run_script(u"syntax_check", {}, data, true), "");
    EXPECT_EQ(data.message,
              u"plugin.sh : [SCRIPT] " + data.data_folder + u" への一時ファイル生成に失敗しました");
}

// The temporary-file message is for the bridge file only: a clock fault leaves to the
// caller, after the child and the bridge file are gone.
TEST_F(run_script_test, timer_fault_leaves_by_its_type_and_cleans_up) {
    auto data = shell_plugin("sleep 30");
    runner_settings settings;
    auto reading = std::make_shared<std::int64_t>(1000);
    settings.clock = [reading] { return (*reading)--; };  // runs backwards
    data.standard_output = "earlier";
    EXPECT_THROW(run_script(u"run_process", {}, data, true, settings), clock_fault);
    EXPECT_EQ(data.message, u"");
    EXPECT_EQ(data.standard_output, "earlier");
    EXPECT_EQ(data.last_call.result, command_result::pipe_failure);
    EXPECT_EQ(files_in_data_folder(), 0u);
}

TEST_F(run_script_test, missing_plugin_file_returns_empty_and_changes_nothing) {
    auto data = shell_plugin("printf unused");
    data.script_path += u".gone";
    data.standard_output = "earlier";
    EXPECT_EQ(run_script(u"syntax_check", {}, data, true), "");
    EXPECT_EQ(data.message, u"");
    EXPECT_EQ(data.standard_output, "earlier");
}

// One instance's record follows every call, whatever became of it; nothing of an
// earlier call lingers in it.
TEST_F(run_script_test, last_call_records_every_outcome) {
    struct outcome {
        const char* name;
        void (*arrange)(script_instance_data&, const std::u16string& spare_folder);
        command_result result;
        bool bridge_file_failure;
        bool script_missing;
        std::string output;
        std::string error;
    };
    const outcome outcomes[] = {
        {"completed", [](script_instance_data&, const std::u16string&) {},
         command_result::completed, false, false, "out", "err"},
        {"no interpreter",
         [](script_instance_data& data, const std::u16string&) {
             data.interpreter = u"no-such-interpreter-here";
         },
         command_result::start_failure, false, false, "", ""},
        {"plug-in file gone",
         [](script_instance_data& data, const std::u16string&) { data.script_path += u".gone"; },
         command_result::start_failure, false, true, "", ""},
        {"bridge file unwritable",
         [](script_instance_data& data, const std::u16string& spare_folder) {
             data.data_folder = spare_folder + u"no-such-folder/";
         },
         command_result::start_failure, true, false, "", ""},
    };
    auto data = shell_plugin("printf 'out\\000cut'; printf err >&2");
    const script_instance_data pristine = data;
    for (const outcome& c : outcomes) {
        data = pristine;
        run_script(u"syntax_check", {}, data, true);  // leaves a completed record behind
        c.arrange(data, folder_.u16() + u"/");
        run_script(u"run_process", {}, data, true);
        const call_record& call = data.last_call;
        EXPECT_EQ(call.method, u"run_process") << c.name;
        EXPECT_EQ(call.result, c.result) << c.name << ": " << to_string(call.result);
        EXPECT_EQ(call.bridge_file_failure, c.bridge_file_failure) << c.name;
        EXPECT_EQ(call.script_missing, c.script_missing) << c.name;
        EXPECT_EQ(call.output, c.output) << c.name;
        EXPECT_EQ(call.error, c.error) << c.name;
        EXPECT_EQ(data.standard_output, "out") << c.name;  // from this call or the one before
    }
    EXPECT_EQ(files_in_data_folder(), 0u);
}

TEST_F(run_script_test, syntax_check_accepts_output_beginning_with_syntax_ok_in_any_case) {
    for (const char* text : {"Syntax OK\\n", "syntax ok", "SYNTAX OKAY and more"}) {
        auto data = shell_plugin(std::string("printf '") + text + "'");
        EXPECT_TRUE(check_syntax(data)) << text;
        EXPECT_TRUE(data.usable);
        EXPECT_EQ(data.message, u"");
    }
}

TEST_F(run_script_test, syntax_check_rejects_anything_else_and_marks_the_plugin_unusable) {
    for (const char* text : {" syntax ok", "ok", "", "syntax  ok", "\\357\\273\\277syntax ok"}) {
        auto data = shell_plugin(std::string("printf '") + text + "'");
        EXPECT_FALSE(check_syntax(data)) << text;
        EXPECT_FALSE(data.usable);
        EXPECT_EQ(data.message,
                  u"plugin.sh : [SCRIPT] "
                  u"スクリプトファイルのプラグインの文法チェックに失敗しました");
    }
}

TEST_F(run_script_test, failed_syntax_check_keeps_an_earlier_message) {
    auto data = shell_plugin("printf nope");
    data.message = u"earlier";
    EXPECT_FALSE(check_syntax(data));
    EXPECT_EQ(data.message, u"earlier");
    EXPECT_TRUE(data.usable);
}

TEST_F(run_script_test, syntax_check_passes_the_method_and_no_arguments) {
    auto data = shell_plugin("[ $# -eq 2 ] && [ \"$2\" = syntax_check ] && printf 'syntax ok'");
    EXPECT_TRUE(check_syntax(data));
}

}  // namespace

namespace {

using namespace vuro_plugin;

// A plug-in below a folder with Japanese characters and blanks, run through the real
// interpreters with a bridge that prints the plug-in path argument as it arrived.
class interpreter_test : public runner_test::runner_fixture {
protected:
    script_instance_data real_plugin(const std::u16string& interpreter,
                                     const std::u16string& extension, const std::string& bridge) {
        auto data = shell_plugin(bridge);
        const std::u16string folder = folder_.u16() + u"/\u30d7\u30e9\u30b0 \u30a4\u30f3/";
        const std::u16string file = u"\u8f9e\u66f8 1" + extension;
        std::filesystem::create_directories(
            std::filesystem::u8path(utility::utf16_to_utf8(folder)));
        utility::write_file(folder + file, "# plug-in\n");
        data.interpreter = interpreter;
        data.extension = extension;
        data.script_path = folder + file;
        data.file_name = file;
        return data;
    }
    std::string encoded_path(const script_instance_data& data, bool utf8) const {
        return utility::url_encode(utf8 ? utility::utf16_to_utf8(data.script_path)
                                        : utility::utf16_to_ansi(data.script_path));
    }
};

using test_support::scoped_locale;

// Under a locale whose code set is not UTF-8, each interpreter still receives the path
// in the bytes that name the file (UTF-8 on POSIX), so the plug-in it names can be found.
TEST_F(interpreter_test, each_interpreter_receives_the_path_as_the_system_names_files) {
    const scoped_locale locale("ja_JP.eucJP");
    const std::pair<std::u16string, std::string> bridges[] = {
        {u"python", "import sys\r\nsys.stdout.write(sys.argv[1])\r\n"},
        {u"ruby", "print ARGV[0]\r\n"},
        {u"perl", "print $ARGV[0];\r\n"},
    };
    for (const auto& [interpreter, bridge] : bridges) {
        auto data = real_plugin(interpreter, u".x", bridge);
        EXPECT_NE(encoded_path(data, false), encoded_path(data, true));
        const bool utf8 = interpreter == u"python" || platform::command_line_file_names_are_utf8();
        EXPECT_EQ(run_script(u"syntax_check", {}, data, true), encoded_path(data, utf8))
            << data.standard_error;
        EXPECT_EQ(files_in_data_folder(), 0u);
    }
}

TEST_F(interpreter_test, each_interpreter_passes_a_syntax_check_bridge) {
    const std::pair<std::u16string, std::string> bridges[] = {
        {u"perl", "print \"syntax ok\";\r\n"},
        {u"ruby", "print \"syntax ok\"\r\n"},
        {u"python", "import sys\r\nsys.stdout.write(\"syntax ok\")\r\n"},
    };
    for (const auto& [interpreter, bridge] : bridges) {
        auto data = real_plugin(interpreter, u".x", bridge);
        EXPECT_TRUE(check_syntax(data)) << data.standard_error;
        EXPECT_EQ(data.standard_output, "syntax ok");
    }
}

}  // namespace
