// What a script instance answers without running its plug-in: construction, the
// descriptive operations and the palette operations it does not support.
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include "engine/message_script.h"
#include "tests/engine/plugin_folder.h"
#include "tests/support/expect_error.h"

namespace instance_test {
namespace {

using vuro_plugin::abstract_vuro_plugin_instance;

class script_instance_test : public plugin_folder_test {};

struct construction_case {
    const char* file_name;
    std::size_t language;  // index into the language table
    const char* written;   // file written under this name, or null
    const char* document;  // preference document written as <stem>.xml, or null
    bool usable;
    std::u16string message;
    std::u16string name;
    std::u16string name_short;
};

TEST_F(script_instance_test, construction_checks_the_file_and_reads_its_document) {
    // Every case has files of its own names in the one folder.
    const std::string pair_name = "abcdefghijklmn\xF0\xA0\xAE\xB7xx";  // 15th unit starts a pair
    const construction_case cases[] = {
        {".rb", 1, ".rb", nullptr, false, u"", u"", u"…"},
        {"a.pl", 1, "a.pl", nullptr, false, u"", u"a.pl", u"a.pl"},
        {"gone.rb", 1, nullptr, nullptr, false,
         u"gone.rb : [SCRIPT] ファイルが見つかりませんでした", u"gone.rb", u"gone.rb"},
        {"A.RB", 1, "A.RB", "<p><name>abcdefghijklmnopq</name></p>", true, u"",
         u"abcdefghijklmnopq", u"abcdefghijklmno…"},
        {"s.py", 2, "s.py", "<p><name>abcdefghijklmnop</name></p>", true, u"", u"abcdefghijklmnop",
         u"abcdefghijklmnop"},
        {"t.pl", 0, "t.pl", "<p><name>long name</name><name_short>short</name_short></p>", true,
         u"", u"long name", u"short"},
        {"u.pl", 0, "u.pl", "<p><name>abcdefghijklmn\xF0\xA0\xAE\xB7xx</name></p>", true, u"",
         utility::utf8_to_utf16(pair_name), u"abcdefghijklmn…"},
        {"broken.rb", 1, "broken.rb", "<p><name>x</name>", true, u"", u"broken.rb", u"broken.rb"},
        {"no_document.rb", 1, "no_document.rb", nullptr, true, u"", u"no_document.rb",
         u"no_document.rb"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.file_name);
        if (each.written) write(each.written, "# plug-in\n");
        const std::string stem(each.file_name, std::string(each.file_name).rfind('.'));
        if (each.document) write(stem + ".xml", each.document);
        const auto script = instance(each.file_name, language(each.language));
        EXPECT_EQ(script->is_usable(), each.usable);
        EXPECT_EQ(script->get_message(), each.message);
        if (!each.usable) continue;
        EXPECT_EQ(script->get_plugin_name(), each.name);
        EXPECT_EQ(script->get_plugin_name_short(), each.name_short);
    }
}

TEST_F(script_instance_test, descriptive_operations_answer_from_the_document) {
    write("p.rb", "# plug-in\n");
    write("p.xml",
          "<p><name>名前</name><description>説明</description><copyright>(c) 著者</copyright>"
          "<major_version>2</major_version><minor_version>15</minor_version>"
          "<preference>true</preference><callback>true</callback></p>");
    const boost::shared_ptr<abstract_vuro_plugin_instance> plugin = instance("p.rb", language(1));
    EXPECT_EQ(plugin->get_plugin_description(), u"説明");
    EXPECT_EQ(plugin->get_plugin_copyright(), u"(c) 著者");
    EXPECT_EQ(plugin->get_language_name(), u"Ruby");
    EXPECT_EQ(plugin->get_major_version(), 2);
    EXPECT_EQ(plugin->get_minor_version(), 15);
    EXPECT_TRUE(plugin->has_preference());
    EXPECT_TRUE(plugin->has_callback());
    EXPECT_EQ(std::make_tuple(plugin->query_flag_one(), plugin->query_flag_two(),
                              plugin->query_flag_three(), plugin->query_flag_four()),
              std::make_tuple(false, true, true, false));
    EXPECT_TRUE(plugin->prepare_processing());

    auto names = plugin->get_function_names();
    EXPECT_EQ(names, std::set<std::u16string>{u"候補取得"});
    names.insert(u"changed");
    EXPECT_EQ(plugin->get_function_names().size(), 1u);

    const auto first = plugin->create_plugin_message(0x1234, 0);
    const auto second = plugin->create_plugin_message(0x1234, 0);
    ASSERT_NE(dynamic_cast<vuro_plugin::message_script*>(first.get()), nullptr);
    EXPECT_NE(first, second);
    EXPECT_TRUE(dynamic_cast<vuro_plugin::message_script&>(*first).items().empty());
}

TEST_F(script_instance_test, palette_operations_raise_their_errors_and_release_the_message) {
    write("p.pl", "1;\n");
    const boost::shared_ptr<abstract_vuro_plugin_instance> plugin = instance("p.pl", language(0));
    const auto message = plugin->create_plugin_message(0, 0);
    const std::string request_fault =
        "vuro_plugin_instance_script::set_plugin_request_data() : fault.";
    test_support::expect_runtime_error([&] { plugin->set_plugin_request_data(message); },
                                       request_fault);
    test_support::expect_runtime_error([&] { plugin->set_plugin_request_data("x", 1); },
                                       request_fault);
    test_support::expect_runtime_error(
        [&] { plugin->set_quit_request_for_palette(true); },
        "vuro_plugin_instance_script::set_quit_request_for_palette() : fault.");
    plugin->set_plugin_message(message);
    EXPECT_EQ(message.use_count(), 1) << "a handle was kept";
}

}  // namespace
}  // namespace instance_test
