// The plug-in calls through the real interpreters and bridges, on the echo fixture in
// plugins/, which answers with candidates that carry the request's fields back.
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <functional>
#include <memory>

#include "engine/message_script.h"
#include "tests/bridges/bridge_runner.h"
#include "tests/bridges/xml_check.h"
#include "tests/engine/plugin_folder.h"
#include "tests/support/expect_error.h"
#include "text_escape/text_escape.h"
#include "utility/data_folder.h"

namespace instance_test {
namespace {

using namespace vuro_plugin;

struct request_texts {
    std::u16string composition, reading, address;
    std::int32_t port;
    std::u16string username, password;
};

// Value-initialised on the heap, so that reading past its end is caught by the sanitizer.
std::unique_ptr<processing_request> make_request(const request_texts& texts) {
    auto request = std::make_unique<processing_request>();
    fill_host_constants(*request);
    assign_request_text(request->composition_text, request->composition_length, texts.composition);
    assign_request_text(request->reading_text, request->reading_length, texts.reading);
    assign_request_text(request->proxy_address, request->proxy_address_length, texts.address);
    request->proxy_port = texts.port;
    assign_request_text(request->proxy_username, request->proxy_username_length, texts.username);
    assign_request_text(request->proxy_password, request->proxy_password_length, texts.password);
    return request;
}

std::string utf8(const std::u16string& text) { return utility::utf16_to_utf8(text); }

// <data folder>PLUGIN/<name>/ in UTF-8, with slashes (on Windows too) as the bridges get it.
std::string preference_folder(const std::u16string& name) {
    return utf8(text_escape::to_forward_slashes(utility::get_vuro_direct_data_folder() +
                                                u"PLUGIN/" + name + u"/"));
}

// One viewer item of plug-in index 3 and generation 7.
std::string item(const std::string& children, int index) {
    return "\t<item type=\"candidate\">\n" + children + "\t\t<plugin_index>3</plugin_index>\n" +
           "\t\t<candidate_index>" + std::to_string(index) + "</candidate_index>\n" +
           "\t\t<generation_id>7</generation_id>\n\t</item>\n";
}

std::string line(const std::string& name, const std::string& text) {
    return "\t\t<" + name + ">" + text + "</" + name + ">\n";
}

std::string alternative(const std::string& type, const std::string& target,
                        const std::string& alias) {
    return "\t\t<alternative type=\"" + type + "\">\n\t\t\t<target>" + target +
           "</target>\n\t\t\t<alias>" + alias + "</alias>\n\t\t</alternative>\n";
}

class plugin_operations_test : public plugin_folder_test {
protected:
    // echo.<ext> with a document naming it エコー; the syntax check must pass.
    script_handle echo(const script_language& language, bool preference, bool callback,
                       const runner_settings& settings = {}) {
        const std::string name = "echo" + utf8(language.extension);
        if (!std::filesystem::exists(folder_.path() / name)) copy_fixture(name, name);
        write("echo.xml", preference_document("エコー", preference, callback));
        auto script = instance(name, language, settings);
        EXPECT_TRUE(script->check_syntax()) << utf8(script->get_message());
        return script;
    }

    static std::string receive(const script_handle& script, const message_handle& message) {
        const plugin_receive_data data = script->get_plugin_receive_data(message, 7, 3);
        EXPECT_EQ(data.reserved, "");
        EXPECT_EQ(data.status, data.xml.empty() ? receive_data_empty : receive_data_filled);
        return data.xml;
    }

    vuro_plugin_message_quit_flag quit_;
};

TEST_F(plugin_operations_test, processing_returns_the_candidates_in_every_language) {
    const auto request =
        make_request({u"きょう𠮷", u"よ<み>", u"proxy.example", 8080, u"ユーザー", u"p a+ss&"});
    for (const auto& language : bridge_test::languages()) {
        for (const bool preference : {false, true}) {
            SCOPED_TRACE(utf8(language.display_name) + (preference ? " with" : " without") +
                         " preference");
            const auto script = echo(language, preference, false);
            const auto message = script->create_plugin_message(0, 0);
            script->run_processing(message, *request, quit_);
            EXPECT_EQ(script->get_message(), u"");
            EXPECT_EQ(script->get_standard_error(), "");

            const std::string last =
                preference ? line("title", "path") + line("comment", preference_folder(u"エコー"))
                           : line("title", "no path");
            const std::string expected =
                "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n\n<itemlist>\n" +
                item(line("title", "きょう𠮷") + line("comment", "よ&lt;み&gt;") +
                         alternative("definite_string", "きょう𠮷", "ユーザー") +
                         line("info", "8080"),
                     0) +
                item(line("title", "address") + line("comment", "proxy.example"), 1) +
                item(line("title", "password") + line("comment", "p a+ss&amp;") +
                         alternative("url_jump_string", "https://example.com/", "web"),
                     2) +
                item(last, 3) + "</itemlist>\n";
            EXPECT_EQ(receive(script, message), expected);

            if (!preference) continue;
            // A second call appends; the indexes go on.
            script->run_processing(message, *request, quit_);
            EXPECT_EQ(bridge_test::element_texts(receive(script, message), "candidate_index"),
                      (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7"}));
        }
    }
}

// Lengths past their fields are the request tests' (plugin_request_test.cpp).
TEST_F(plugin_operations_test, failed_or_odd_processing_adds_what_it_should) {
    struct outcome_case {
        const char* what;
        std::size_t language;
        std::u16string composition;
        std::int32_t limit_ms;
        std::string standard_output;      // how it begins after the call
        std::vector<std::string> titles;  // of the viewer document
    };
    const outcome_case cases[] = {
        {"time-out keeps the syntax check's outputs", 0, u"sleep", 5000, "syntax ok", {}},
        {"output that is no candidate document adds nothing",
         1,
         u"noise",
         script_time_limit_ms,
         "noise before",
         {}},
        // No composition: the bridge skips the untitled first candidate.
        {"empty texts still make six arguments",
         2,
         u"",
         script_time_limit_ms,
         "<?xml",
         {"address", "password", "no path"}},
    };
    for (const auto& each : cases) {
        if (!bridge_test::runs_here(language(each.language))) continue;
        SCOPED_TRACE(each.what);
        runner_settings settings;
        settings.limit_ms = each.limit_ms;
        const auto script = echo(language(each.language), false, false, settings);
        const auto message = script->create_plugin_message(0, 0);
        script->run_processing(message, *make_request({each.composition, u"", u"", 0, u"", u""}),
                               quit_);
        EXPECT_EQ(script->get_message(), u"");
        EXPECT_EQ(script->get_standard_output().substr(0, each.standard_output.size()),
                  each.standard_output);
        EXPECT_EQ(bridge_test::element_texts(receive(script, message), "title"), each.titles);
    }
}

// The token given at construction reaches every call of the instance: once cancelled,
// no call starts, each says so in its record, and the stored outputs stay.
TEST_F(plugin_operations_test, cancelled_token_stops_every_call_of_the_instance) {
    runner_settings settings;
    settings.cancel = std::make_shared<cancel_token>();
    const auto script = echo(bridge_test::languages().front(), true, true, settings);
    settings.cancel->cancel();
    const auto message = script->create_plugin_message(0, 0);
    const auto callback = std::make_unique<callback_request>();
    const std::pair<const char16_t*, std::function<void()>> calls[] = {
        {u"run_process",
         [&] {
             script->run_processing(message, *make_request({u"x", u"", u"", 0, u"", u""}), quit_);
         }},
        {u"run_callback", [&] { script->run_callback(nullptr, *callback, nullptr); }},
        {u"run_preference", [&] { EXPECT_TRUE(script->run_preference(0, 0)); }},
        {u"syntax_check", [&] { EXPECT_FALSE(script->check_syntax()); }},
    };
    for (const auto& [method, call] : calls) {
        call();
        EXPECT_EQ(script->last_call().method, method);
        EXPECT_EQ(script->last_call().result, command_result::cancelled) << utf8(method);
        EXPECT_EQ(script->get_standard_output(), "syntax ok");
    }
    EXPECT_EQ(receive(script, message), "");
    // A stopped check is no verdict on the plug-in.
    EXPECT_EQ(script->get_message(), u"");
    EXPECT_TRUE(script->is_usable());
}

TEST_F(plugin_operations_test, message_handles_of_another_kind_are_refused) {
    struct foreign_message : abstract_vuro_plugin_message {};
    const auto script = instance("p.rb", language(1));
    const auto request = make_request({u"x", u"", u"", 0, u"", u""});
    const message_handle handles[] = {message_handle(), boost::make_shared<foreign_message>()};
    for (std::size_t fault = 0; fault < 2; ++fault) {
        const std::string suffix = "() : fault" + std::to_string(fault + 1) + ".";
        test_support::expect_runtime_error(
            [&] { script->run_processing(handles[fault], *request, quit_); },
            "vuro_plugin_instance_script::run_processing" + suffix);
        test_support::expect_runtime_error(
            [&] { script->get_plugin_receive_data(handles[fault], 0, 0); },
            "vuro_plugin_instance_script::get_plugin_receive_data" + suffix);
    }
    const plugin_receive_data nothing =
        script->get_plugin_receive_data(script->create_plugin_message(0, 0), 1, 1);
    EXPECT_EQ(nothing.status, receive_data_empty);
    EXPECT_EQ(nothing.xml, "");
}

TEST_F(plugin_operations_test, callback_and_preference_run_only_when_the_document_asks) {
    auto request = std::make_unique<callback_request>();
    assign_request_text(request->candidate_text, request->candidate_length, u"今日 +");
    assign_request_text(request->composition_text, request->composition_length, u"きょう");
    assign_request_text(request->proxy_address, request->proxy_address_length, u"proxy");
    request->proxy_port = -1;
    assign_request_text(request->proxy_username, request->proxy_username_length, u"user");
    assign_request_text(request->proxy_password, request->proxy_password_length, u"pass");
    const std::string path = "path=" + preference_folder(u"エコー") + "\n";

    for (const auto& language : bridge_test::languages()) {
        SCOPED_TRACE(utf8(language.display_name));
        const auto plain = echo(language, false, false);
        plain->run_callback(nullptr, *request, nullptr);
        EXPECT_TRUE(plain->run_preference(0, 0));
        EXPECT_EQ(plain->get_standard_output(), "syntax ok") << "a process ran";

        const auto flagged = echo(language, true, true);
        flagged->run_callback(nullptr, *request, nullptr);
        EXPECT_EQ(flagged->get_standard_output(),
                  "candidate_string=今日 +\ncomposition_string=きょう\n" + path +
                      "proxy_name=proxy\nproxy_password=pass\nproxy_port=-1\n"
                      "proxy_username=user\n");
        EXPECT_TRUE(flagged->run_preference(0, 0));
        EXPECT_EQ(flagged->get_standard_output(), path);
    }
}

}  // namespace
}  // namespace instance_test
