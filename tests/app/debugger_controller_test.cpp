#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/debugger_controller.h"
#include "app/debugger_texts.h"
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
    std::u16string text;
    std::u16string boxes[2];
    std::vector<std::string> events;
    std::vector<std::u16string> items;
    int selected = -1;
    int dropped = 100;

    std::u16string lookup_text() const override { return text; }
    std::u16string output_text(output_box box) const override { return boxes[index(box)]; }
    void set_output_text(output_box box, std::u16string value) override {
        boxes[index(box)] = std::move(value);
    }
    void enable_refresh(bool on) override { events.push_back(on ? "refresh on" : "refresh off"); }
    void enable_run(bool on) override { events.push_back(on ? "run on" : "run off"); }
    void set_progress(int percent) override {
        events.push_back("progress " + std::to_string(percent));
    }
    void clear_plugin_items() override { items.clear(); }
    void add_plugin_item(const std::u16string& name) override { items.push_back(name); }
    void select_plugin_item(int index) override { selected = index; }
    int selected_plugin_item() const override { return selected; }
    int plugin_item_width(const std::u16string& name) const override {
        return static_cast<int>(name.size()) * 10;
    }
    int drop_down_frame_width() const override { return 7; }
    int drop_down_width() const override { return dropped; }
    void set_drop_down_width(int width) override { dropped = width; }
    void repaint() override { events.push_back("repaint"); }
    void show_message(const std::u16string& message) override {
        events.push_back("message " + utility::utf16_to_utf8(message));
    }

private:
    static int index(output_box box) { return box == output_box::standard_output ? 0 : 1; }
};

using events = std::vector<std::string>;
events operator+(events a, const events& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
const events run_start{"repaint", "refresh off", "run off", "progress 0"};
const events after_trial{"refresh off", "run off", "progress 30"};
const events full_run = run_start + after_trial + events{"refresh off", "run off", "progress 60",
                                                         "refresh off", "run off", "progress 90",
                                                         "refresh on",  "run on",  "progress 100"};
const events no_instance = run_start + after_trial + events{"refresh on", "run on", "progress 0"};

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
        view.text = text;
        return controller.OnRun();
    }
    using controller = debugger_controller;
    recording_view view;
};

const std::string front_end = std::string(APP_PLUGINS) + "/front_end.rb";
const std::string perl_syntax_error = std::string(BRIDGE_PLUGINS) + "/syntax_error.pl";
const std::u16string xml_start = u"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n\n<itemlist>\n";

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
             u"\t<item type=\"script_candidate\">\n\t\t<title>一</title>\n\t</item>\n"
             u"\t<item type=\"script_candidate\">\n\t\t<title>二</title>\n\t</item>\n"
             u"</itemlist>\n\r\n",
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

TEST_F(debugger_controller_test, plugin_past_the_time_limit_shows_the_syntax_check_twice) {
    controller_options options;
    options.runner.limit_ms = 5000;
    EXPECT_EQ(run(front_end.c_str(), u"slow", options).result, run_result::outcome::completed);
    EXPECT_EQ(view.events, full_run);
    EXPECT_EQ(view.boxes[0], u"syntax ok\r\nsyntax ok\r\n");
}

TEST_F(debugger_controller_test, output_cut_at_the_capture_limit_is_followed_by_a_notice) {
    EXPECT_EQ(run(front_end.c_str(), u"flood").result, run_result::outcome::completed);
    const std::u16string notice = capture_cut_notice() + u"\r\n";
    const std::u16string& error = view.boxes[1];
    ASSERT_EQ(error.size(), (std::size_t{64} << 20) + 2 + notice.size());
    EXPECT_EQ(error.substr(error.size() - notice.size() - 3), u"e\r\n" + notice);
}

TEST_F(debugger_controller_test, missing_interpreter_ends_quietly_with_the_bar_at_zero) {
    test_support::scratch_folder empty;
    test_support::scoped_environment path("PATH", empty.path().string());
    EXPECT_EQ(run(front_end.c_str(), u"two").result, run_result::outcome::no_language);
    EXPECT_EQ(view.events, no_instance);
    EXPECT_EQ(view.boxes[0], u"");
    EXPECT_EQ(view.boxes[1], u"");
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

TEST_F(debugger_controller_test, settings_that_cannot_be_read_are_named_after_the_output) {
    write_file(user_hive(),
               hive_text("[HKEY_CURRENT_USER\\Software\\Halvane\\Vuro\\VURODIRECT\\2.0]\n"
                         "\"enable_proxy\"=dword:0001\n"));
    run(front_end.c_str(), u"proxy");
    const std::string error = utility::utf16_to_utf8(view.boxes[1]);
    const std::string notice = utility::utf16_to_utf8(texts::settings_not_read);
    ASSERT_EQ(error.rfind("0|0\r\n" + notice, 0), 0u) << error;
    EXPECT_NE(error.find("line 4: a dword needs exactly eight"), std::string::npos) << error;
}

TEST_F(debugger_controller_test, error_from_below_is_reported_and_the_buttons_come_back) {
    fs::remove_all(product_folder());
    const run_result result = run(front_end.c_str(), u"two");
    EXPECT_EQ(result.result, run_result::outcome::failed);
    EXPECT_EQ(result.error, "utility::get_vuro_direct_data_folder() call error1");
    const std::string message = utility::utf16_to_utf8(
        std::u16string(texts::unexpected_error) + u"\r\n" + texts::missing_product_folder_before +
        utility::product_data_folder() + texts::missing_product_folder_after);
    const events expected =
        run_start + events{"message " + message, "refresh on", "run on", "progress 0"};
    EXPECT_EQ(view.events, expected);
}

TEST_F(debugger_controller_test, an_empty_per_user_folder_is_named_in_the_message) {
    const std::u16string folder = per_user_plugin_folder(true);
    ASSERT_TRUE(fill_new_plugin_folder(folder, u""));
    controller controller(view, folder);
    controller.OnRefresh();
    const std::u16string message = texts::per_user_no_plugin_found_before +
                                   displayed_folder(folder) +
                                   texts::per_user_no_plugin_found_after;
    EXPECT_EQ(view.events.back(), "message " + utility::utf16_to_utf8(message));
}

TEST_F(debugger_controller_test, refresh_lists_the_folder_and_widens_the_drop_down_only) {
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
    const events listed{"refresh on", "run on", "progress 0"};
    EXPECT_EQ(view.events, listed);
    EXPECT_EQ(view.items, std::vector<std::u16string>{u"a_long_name.rb"});
    EXPECT_EQ(view.selected, 0);
    EXPECT_EQ(view.boxes[0] + view.boxes[1], u"");
    EXPECT_EQ(view.dropped, 14 * 10 + 7);

    fs::remove(folder.path() / "a_long_name.rb");
    std::ofstream(folder.path() / "b.py") << "#\n";
    controller.OnRefresh();
    EXPECT_EQ(view.items, std::vector<std::u16string>{u"b.py"});
    EXPECT_EQ(view.dropped, 147);
}

}  // namespace
