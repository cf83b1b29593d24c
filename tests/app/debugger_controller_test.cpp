#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "app/box_feed.h"
#include "app/box_text.h"
#include "app/debugger_controller.h"
#include "app/debugger_texts.h"
#include "app/run_notices.h"
#include "app/run_session.h"
#include "engine/run_script.h"
#include "tests/support/environment.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/scratch.h"
#include "utility/data_folder.h"
#include "utility/text_conversion.h"

namespace {

using namespace vuro_plugin;
namespace fs = std::filesystem;

// Notes every state change the controller asks for, in order; keeps the boxes' texts.
class recording_view : public debugger_view {
public:
    std::u16string boxes[2];
    std::vector<std::string> events;
    std::vector<std::u16string> items;
    std::function<void(int)> on_progress;  // called after each bar change
    std::function<void()> on_message;      // called after each message

    void clear_boxes() override { boxes[0] = boxes[1] = u""; }
    void append_to_box(output_box box, const box_piece& piece) override {
        boxes[box == output_box::standard_output ? 0 : 1] += *piece.shown;
    }
    void enable_refresh(bool on) override { events.push_back(on ? "refresh on" : "refresh off"); }
    void enable_run(bool on) override { events.push_back(on ? "run on" : "run off"); }
    void set_progress(int percent) override {
        events.push_back("progress " + std::to_string(percent));
        if (on_progress) on_progress(percent);
    }
    void show_run_going(bool going) override {
        events.push_back(going ? "title running" : "title fixed");
    }
    void show_plugin_list(const std::vector<std::u16string>& names) override { items = names; }
    void repaint() override { events.push_back("repaint"); }
    void show_message(const std::u16string& message) override {
        events.push_back("message " + utility::utf16_to_utf8(message));
        if (on_message) on_message();
    }
};

using events = std::vector<std::string>;
events operator+(events a, const events& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
const events run_start{"title running", "repaint", "refresh off", "run off", "progress 0"};
const events after_trial{"refresh off", "run off", "progress 30"};
const events processing = run_start + after_trial + events{"refresh off", "run off", "progress 60"};
const events full_run =
    processing + events{"refresh off", "run off",      "progress 90", "refresh on",
                        "run on",      "progress 100", "title fixed"};
const events back_to_zero{"refresh on", "run on", "progress 0", "title fixed"};
const events no_instance = run_start + after_trial + back_to_zero;

class debugger_controller_test : public test_support::registry_fixture {
protected:
    void SetUp() override { fs::create_directories(product_folder()); }
    static fs::path product_folder() {
        return test_support::scratch_home() / ".local/share/Halvane/Vuro";
    }
    // Runs a fixture plug-in with `text` through a fresh controller.
    run_result run(const char* plugin, const std::u16string& text,
                   controller_options options = {}) {
        const fs::path path(plugin);
        controller controller(view, u"/unused/", options);
        const std::string folder = path.parent_path().string() + "/";
        controller.show_plugins(
            {{utility::utf8_to_utf16(folder), utility::utf8_to_utf16(path.filename().string())}});
        view.events.clear();
        if (cancel_at_progress_60) {
            view.on_progress = [&controller, this](int percent) {
                if (percent == 60)
                    cancelling = std::thread([this, &controller] {
                        wait_for_file(hang_marker);
                        controller.cancellation()->cancel();
                    });
            };
        }
        const run_result result = controller.OnRun({text, 0});
        if (cancelling.joinable()) cancelling.join();
        return result;
    }
    static void wait_for_file(const fs::path& file) {
        for (int tries = 0; tries < 3000 && !fs::exists(file); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    using controller = debugger_controller;
    recording_view view;
    // Cancels the run from another thread once the plug-in says it hangs.
    bool cancel_at_progress_60 = false;
    std::thread cancelling;
    test_support::scratch_folder marker_folder;
    const fs::path hang_marker = marker_folder.path() / "hangs";
};

const std::string front_end = std::string(APP_PLUGINS) + "/front_end.rb";
const std::string perl_syntax_error = std::string(BRIDGE_PLUGINS) + "/syntax_error.pl";
const std::u16string xml_start =
    u"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n\r\n<itemlist>\r\n";

TEST_F(debugger_controller_test, runs_show_each_stage_and_what_the_interpreter_wrote) {
    const struct {
        const char* name;
        std::string plugin;
        std::u16string text;
        std::u16string standard_output;
        std::string standard_error_holds;  // empty: the box stays empty
    } cases[] = {
        {"two candidates", front_end, u"two",
         u"syntax ok\r\n" + xml_start +
             u"\t<item type=\"script_candidate\">\r\n\t\t<title>一</title>\r\n\t</item>\r\n"
             u"\t<item type=\"script_candidate\">\r\n\t\t<title>二</title>\r\n\t</item>\r\n"
             u"</itemlist>\r\n\r\n",
         ""},
        {"zero byte ends the output", front_end, u"zero", u"syntax ok\r\nab\r\n", ""},
        {"perl syntax error", perl_syntax_error, u"x",
         u"syntax ok\r\nerror : plugin module load error.\r\n", "syntax error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c.plugin.c_str(), c.text).result, run_result::outcome::completed);
        EXPECT_EQ(view.events, full_run);
        EXPECT_EQ(view.boxes[0], c.standard_output);
        const std::string error = utility::utf16_to_utf8(view.boxes[1]);
        if (c.standard_error_holds.empty()) {
            EXPECT_EQ(error, "");
        } else {
            EXPECT_NE(error.find(c.standard_error_holds), std::string::npos) << error;
            EXPECT_EQ(error.substr(error.size() - 2), "\r\n");
        }
    }
}

TEST_F(debugger_controller_test, output_cut_at_the_capture_limit_is_followed_by_a_notice) {
    EXPECT_EQ(run(front_end.c_str(), u"flood").result, run_result::outcome::completed);
    const std::u16string notice = capture_cut_notice() + u"\r\n";
    const std::u16string& error = view.boxes[1];
    ASSERT_EQ(error.size(), (std::size_t{64} << 20) + 2 + notice.size());
    EXPECT_EQ(error.substr(error.size() - notice.size() - 3), u"e\r\n" + notice);
}

TEST_F(debugger_controller_test, texts_that_cannot_be_looked_up_start_nothing) {
    for (const auto& [text, message] : std::map<std::u16string, const char16_t*>{
             {u"", texts::empty_lookup_text},
             {std::u16string(201, u'あ'), texts::lookup_text_too_long}}) {
        view.boxes[0] = u"kept";
        EXPECT_EQ(run(front_end.c_str(), text).result, run_result::outcome::not_started);
        EXPECT_EQ(view.events, events{"message " + utility::utf16_to_utf8(message)});
        EXPECT_EQ(view.boxes[0], u"kept");
    }
    // 200 units, the field's capacity, are looked up.
    EXPECT_EQ(run(front_end.c_str(), std::u16string(200, u'あ')).result,
              run_result::outcome::completed);
}

TEST_F(debugger_controller_test, proxy_address_too_long_for_the_request_is_left_out) {
    write_file(user_hive(),
               hive_text("[HKEY_CURRENT_USER\\Software\\Halvane\\Vuro\\VURODIRECT\\2.0]\n"
                         "\"plugin_count\"=dword:00000001\n"
                         "\"enable_proxy\"=dword:00000001\n"
                         "\"proxy_address\"=\"" +
                         std::string(513, 'p') +
                         "\"\n"
                         "\"proxy_port\"=dword:00001f90\n"));
    run(front_end.c_str(), u"proxy");
    EXPECT_EQ(view.boxes[1], u"0|8080\r\n");
}

// Every way a run ends that its outputs would not explain: what was captured, then one
// notice at the end of the standard-error box.
TEST_F(debugger_controller_test, runs_that_end_early_show_what_was_captured_then_a_notice) {
    test_support::scratch_folder empty;
    const std::u16string syntax_ok = u"syntax ok\r\n";
    const std::u16string partial = syntax_ok + u"before the hang\r\n";
    const std::u16string large = syntax_ok + std::u16string((10 << 20) + 1, u'o');
    const std::u16string no_candidates = xml_start + u"</itemlist>\r\n\r\n";
    const std::string broken_line =
        "[HKEY_CURRENT_USER\\Software\\Halvane\\Vuro\\VURODIRECT\\2.0]\n"
        "\"enable_proxy\"=dword:0001\n";
    const struct {
        const char* name;
        std::u16string text;
        std::int32_t limit_ms;
        std::optional<std::string> path;  // PATH for the run; unchanged when empty-handed
        std::string hive;                 // the user's settings file; none when empty
        bool cancel;                      // cancelled once the plug-in hangs
        run_result::outcome outcome;
        std::u16string standard_output;  // large: only its start is compared
        std::u16string standard_error;
        events states;
    } cases[] = {
        {"time-out of the processing call", u"slow", 3000, std::nullopt, "", false,
         run_result::outcome::completed, partial,
         u"error before the hang\r\n" + time_limit_notice(script_call::processing, 3000) + u"\r\n",
         full_run},
        {"interpreter not found", u"two", script_time_limit_ms, empty.path().string(), "", false,
         run_result::outcome::no_language, u"",
         texts::interpreter_not_started_before + std::u16string(u"ruby") +
             texts::interpreter_not_started_after + u"\r\n",
         no_instance},
        {"standard output of 10 MiB and a byte", u"large", script_time_limit_ms, std::nullopt, "",
         false, run_result::outcome::completed, large,
         std::u16string(texts::output_too_large) + u"\r\n", full_run},
        {"settings file that does not parse", u"proxy", script_time_limit_ms, std::nullopt,
         broken_line, false, run_result::outcome::completed, syntax_ok + no_candidates,
         u"0|0\r\n" + std::u16string(texts::settings_file_before) +
             utility::utf8_to_utf16(user_hive().string()) + texts::settings_line_before + u"4" +
             texts::settings_line_after + u"\r\n",
         full_run},
        {"stopped run", u"slow", script_time_limit_ms, std::nullopt, "", true,
         run_result::outcome::stopped, partial,
         u"error before the hang\r\n" + std::u16string(texts::run_stopped) + u"\r\n",
         processing + back_to_zero},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(user_hive());
        if (!c.hive.empty()) write_file(user_hive(), hive_text(c.hive));
        std::optional<test_support::scoped_environment> path;
        if (c.path) path.emplace("PATH", *c.path);
        test_support::scoped_environment marker("FRONT_END_HANGS", hang_marker.string());
        fs::remove(hang_marker);
        cancel_at_progress_60 = c.cancel;
        controller_options options;
        options.runner.limit_ms = c.limit_ms;
        EXPECT_EQ(run(front_end.c_str(), c.text, options).result, c.outcome);
        if (c.standard_output == large) {
            EXPECT_EQ(view.boxes[0].substr(0, large.size()), large);
        } else {
            EXPECT_EQ(view.boxes[0], c.standard_output);
        }
        EXPECT_EQ(view.boxes[1], c.standard_error);
        EXPECT_EQ(view.events, c.states);
    }
}

// A completed run carries its candidates as the host's viewer reads them, or why there are
// none, and the times of its two calls.
TEST_F(debugger_controller_test, completed_runs_give_the_viewer_candidates_or_say_why_none) {
    const struct {
        std::u16string text;
        std::vector<std::u16string> titles;
        std::u16string why_none_start;
    } cases[] = {
        {u"two", {u"一", u"二"}, u""},
        {u"links", {u"web", u"ftp"}, u""},
        {u"proxy", {}, texts::no_candidates_in_document},
        {u"zero", {}, texts::no_candidates_not_a_document},
        {u"large", {}, texts::output_too_large},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utility::utf16_to_utf8(c.text));
        const run_result result = run(front_end.c_str(), c.text);
        ASSERT_EQ(result.result, run_result::outcome::completed);
        std::vector<std::u16string> titles;
        for (const viewer_candidate& candidate : result.candidates.items)
            titles.push_back(candidate.title);
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(result.candidates.why_none.substr(0, c.why_none_start.size()), c.why_none_start);
        EXPECT_EQ(result.candidates.why_none.empty(), c.why_none_start.empty());
        EXPECT_GE(result.timings.syntax_check_ms, 0);
        EXPECT_GE(result.timings.processing_ms, 0);
    }
    const run_result links = run(front_end.c_str(), u"links");
    ASSERT_EQ(links.candidates.items.size(), 2u);
    const viewer_candidate& web = links.candidates.items[0];
    EXPECT_NE(web.comment.find(u"a&lt;b"), std::u16string::npos);  // escaped once for XHTML
    EXPECT_EQ(web.alternative_type, u"url_jump_string");
    EXPECT_EQ(web.target, u"https://x/");
    EXPECT_EQ(web.alias, u"site");
    EXPECT_EQ(web.info, u"i");
    EXPECT_EQ(links.candidates.items[1].target, u"");  // dropped with its type
    EXPECT_EQ(links.candidates.items[1].alternative_type, u"");
}

// A syntax check that hangs (here the interpreter itself: a stand-in "ruby" first on the
// PATH) is ended after what it printed, and named as the call that hung.
TEST_F(debugger_controller_test, syntax_check_past_the_time_limit_says_which_call) {
    test_support::scratch_folder folder;
    std::ofstream(folder.path() / "ruby") << "#!/bin/sh\nprintf checking\nexec sleep 30\n";
    fs::permissions(folder.path() / "ruby", fs::perms::owner_all);
    test_support::scoped_environment path("PATH",
                                          folder.path().string() + ":" + std::getenv("PATH"));
    controller_options options;
    options.runner.limit_ms = 1000;
    EXPECT_EQ(run(front_end.c_str(), u"x", options).result, run_result::outcome::no_language);
    EXPECT_EQ(view.boxes[0], u"checking\r\n");
    EXPECT_EQ(view.boxes[1], time_limit_notice(script_call::syntax_check, 1000) + u"\r\n");
    EXPECT_EQ(view.events, no_instance);
}

// Everything a box_feed hands out for one box, slice by slice; no slice is longer than
// `units` or ends inside a surrogate pair.
std::u16string drain(box_feed& feed, output_box box, std::size_t units) {
    std::u16string all;
    for (std::u16string_view slice; !(slice = feed.next_slice(box, units)).empty();) {
        EXPECT_LE(slice.size(), units);
        EXPECT_FALSE(slice.back() >= 0xd800 && slice.back() <= 0xdbff);
        all += slice;
    }
    return all;
}

TEST(box_feed_test, hands_out_everything_in_order_up_to_the_display_limit_then_a_notice) {
    using kind = box_piece::kind;
    const auto text = [](std::u16string value) {
        return std::make_shared<const std::u16string>(std::move(value));
    };
    const std::size_t limit = box_display_limit;
    const std::u16string limited = box_text_of_notice(box_limit_notice(limit));
    const std::u16string stopped = box_text_of_notice(texts::run_stopped);
    const std::u16string pair = u"\U0001F600";  // two units
    const struct {
        const char* name;
        std::vector<std::pair<kind, std::u16string>> pieces;
        std::size_t units;
        std::u16string expected;
    } cases[] = {
        {"small pieces",
         {{kind::output, u"ab\r\n"}, {kind::notice, stopped}},
         3,
         u"ab\r\n" + stopped},
        {"pair across a slice end", {{kind::output, u"a" + pair + u"b"}}, 2, u"a" + pair + u"b"},
        {"output past the limit, cut inside a line",
         {{kind::output, std::u16string(limit + 10, u'a')},
          {kind::output, u"more\r\n"},
          {kind::cut_notice, u"cut\r\n"},
          {kind::notice, stopped}},
         65536,
         std::u16string(limit, u'a') + u"\r\n" + limited + u"cut\r\n" + stopped},
        {"limit at a line end",
         {{kind::output, std::u16string(limit - 2, u'a') + u"\r\n"}, {kind::output, u"x\r\n"}},
         65536,
         std::u16string(limit - 2, u'a') + u"\r\n" + limited},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        box_feed feed;
        for (const auto& [what, value] : c.pieces)
            feed.add(output_box::standard_error, {what, {}, {}, text(value)});
        feed.add(output_box::standard_output, {kind::output, {}, {}, text(u"other box")});
        EXPECT_EQ(drain(feed, output_box::standard_error, c.units), c.expected);
        EXPECT_TRUE(feed.pending());
        EXPECT_EQ(drain(feed, output_box::standard_output, c.units), u"other box");
        EXPECT_FALSE(feed.pending());
    }
}

TEST(drop_down_width, fits_the_widest_item_and_never_narrows) {
    const struct {
        int current;
        std::vector<int> items;
        int frame, expected;
    } cases[] = {
        {100, {}, 7, 100}, {100, {50, 140}, 7, 147}, {200, {50, 140}, 7, 200}, {0, {93}, 7, 100}};
    for (const auto& c : cases)
        EXPECT_EQ(drop_down_width_for(c.current, c.items, c.frame), c.expected) << c.current;
}

TEST(run_notices, name_the_call_the_limit_and_the_settings_file) {
    const struct {
        std::u16string notice, expected;
    } cases[] = {
        {time_limit_notice(script_call::processing, 60000),
         u"（候補取得の呼び出しが制限時間 60 秒を超えたため、インタープリターを終了しました。"
         u"ここまでが終了までの出力です）"},
        {time_limit_notice(script_call::syntax_check, 1500),
         u"（構文チェックが制限時間 1.5 秒を超えたため、インタープリターを終了しました。"
         u"ここまでが終了までの出力です）"},
        {settings_notice({platform::registry_fault::kind::does_not_parse, "/h/u.reg", 0}),
         u"（設定ファイル「/h/u.reg」を解釈できなかったため、既定の設定で実行しました）"},
        {settings_notice({platform::registry_fault::kind::cannot_read, "/h/u.reg", 0}),
         u"（設定ファイル「/h/u.reg」を読み込めなかったため、既定の設定で実行しました）"},
        {settings_notice({}), u""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.notice, c.expected);
}

TEST_F(debugger_controller_test, error_from_below_is_reported_and_the_buttons_come_back) {
    fs::remove_all(product_folder());
    const run_result result = run(front_end.c_str(), u"two");
    EXPECT_EQ(result.result, run_result::outcome::failed);
    EXPECT_EQ(result.error, "utility::get_vuro_direct_data_folder() call error1");
    const std::string message = utility::utf16_to_utf8(
        std::u16string(texts::unexpected_error) + u"\r\n" + texts::missing_product_folder_before +
        utility::product_data_folder() + texts::missing_product_folder_after);
    const events expected = run_start + events{"title fixed", "message " + message, "refresh on",
                                               "run on", "progress 0"};
    EXPECT_EQ(view.events, expected);
}

TEST_F(debugger_controller_test, an_empty_per_user_folder_is_named_in_the_message) {
    const std::u16string folder = per_user_plugin_folder(true);
    ASSERT_TRUE(fill_new_plugin_folder(folder, u""));
    controller controller(view, folder);
    controller.OnRefresh();
    const std::u16string message = texts::per_user_no_plugin_found_before +
                                   displayed_folder(folder) + texts::per_user_no_plugin_found_after;
    EXPECT_EQ(view.events.back(), "message " + utility::utf16_to_utf8(message));
}

TEST_F(debugger_controller_test, refresh_lists_the_folder_and_empties_the_boxes) {
    test_support::scratch_folder folder;
    controller controller(view, folder.u16() + u"/");
    controller.OnRefresh();
    const events empty_folder{"refresh on", "run on", "progress 0", "run off",
                              "message " + utility::utf16_to_utf8(texts::no_plugin_found)};
    EXPECT_EQ(view.events, empty_folder);

    std::ofstream(folder.path() / "a_long_name.rb") << "#\n";
    view.events.clear();
    view.boxes[0] = view.boxes[1] = u"old";
    controller.OnRefresh();
    const events listed{"refresh on", "run on", "progress 0", "run on"};
    EXPECT_EQ(view.events, listed);
    EXPECT_EQ(view.items, std::vector<std::u16string>{u"a_long_name.rb"});
    EXPECT_EQ(view.boxes[0] + view.boxes[1], u"");

    fs::remove(folder.path() / "a_long_name.rb");
    std::ofstream(folder.path() / "b.py") << "#\n";
    controller.OnRefresh();
    EXPECT_EQ(view.items, std::vector<std::u16string>{u"b.py"});
}

// The calls a session hands to the "window's thread": here the test's, which makes them
// when it chooses.
class call_queue {
public:
    run_session::post_function post() {
        return [this](std::function<void()> call) {
            const std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back(std::move(call));
            arrived_.notify_all();
        };
    }
    std::size_t size() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return calls_.size();
    }
    // Waits for a call (up to 30 s) and makes it; false when none came.
    bool make_next() {
        std::function<void()> call;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!arrived_.wait_for(lock, std::chrono::seconds(30), [&] { return !calls_.empty(); }))
                return false;
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        call();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> calls_;
};

class run_session_test : public debugger_controller_test {
protected:
    // A run that fails at once (no such plug-in), so its one message comes from the worker.
    void start_failing_run() {
        session.controller().show_plugins({{u"/unused/", u"a.rb"}});
        view.events.clear();
        ASSERT_TRUE(session.start({u"x", 5}, [this](const run_result& result) {
            finished = true;
            outcome = result.result;
        }));
    }
    call_queue window;
    run_session session{view, u"/unused/", {}, window.post()};
    bool finished = false;
    run_result::outcome outcome = run_result::outcome::not_started;
};

TEST_F(run_session_test,
       view_calls_reach_the_window_only_through_post_and_a_message_holds_the_run) {
    std::size_t calls_after_the_message = 1;
    view.on_message = [&] {
        // The worker waits for this call to return: nothing more can have been handed over.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        calls_after_the_message = window.size();
    };
    start_failing_run();
    while (session.running()) ASSERT_TRUE(window.make_next());
    EXPECT_EQ(calls_after_the_message, 0u);
    EXPECT_TRUE(finished);
    EXPECT_EQ(outcome, run_result::outcome::failed);  // what the run came to reaches the window
    const std::string message = "message " + utility::utf16_to_utf8(texts::unexpected_error);
    const events expected =
        run_start + events{"title fixed", message, "refresh on", "run on", "progress 0"};
    EXPECT_EQ(view.events, expected);
}

TEST_F(run_session_test, stopping_for_a_closing_window_ends_a_run_held_by_a_message) {
    start_failing_run();
    // Let everything before the message through, then close while the message waits.
    while (view.events.size() < run_start.size()) ASSERT_TRUE(window.make_next());
    ASSERT_TRUE(window.make_next());  // "title fixed"
    session.stop_and_wait();
    EXPECT_FALSE(session.running());
    const events seen = view.events;
    while (window.size() > 0) window.make_next();
    EXPECT_EQ(view.events, seen);  // what the run still had for the window is dropped
    EXPECT_FALSE(finished);
}

}  // namespace
