#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "engine/command_line.h"
#include "platform/path_convention.h"
#include "tests/support/environment.h"
#include "utility/url_encoding.h"

namespace {

using vuro_plugin::build_command_line;
using vuro_plugin::encode_script_path;
using vuro_plugin::render_command_line;

using test_support::scoped_locale;

std::u16string widen(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// Splits a rendered command line the way a Windows program would read it back: the
// first word, then each double-quoted value.
std::vector<std::u16string> split_rendered(const std::u16string& text) {
    std::vector<std::u16string> values;
    size_t position = text.find(u' ');
    values.push_back(text.substr(0, position));
    while (position != std::u16string::npos) {
        EXPECT_EQ(text.substr(position, 2), u" \"");
        const size_t close = text.find(u'"', position + 2);
        values.push_back(text.substr(position + 2, close - position - 2));
        position = close + 1 == text.size() ? std::u16string::npos : close + 1;
    }
    return values;
}

vuro_plugin::script_instance_data plugin(const std::u16string& interpreter,
                                         const std::u16string& path) {
    vuro_plugin::script_instance_data data;
    data.interpreter = interpreter;
    data.script_path = path;
    return data;
}

TEST(command_line, syntax_check_line_renders_as_quoted_values) {
    const auto data = plugin(u"ruby", u"/p/a b.rb");
    const std::u16string name = u"0123456789ABCDEF0123456789ABCDEF01234567.rb";
    const auto line = build_command_line(data, name, u"syntax_check", {});
    const std::u16string encoded_path = widen(utility::url_encode("/p/a b.rb"));
    EXPECT_EQ(encoded_path, u"%2F%70%2F%61+%62.%72%62");
    ASSERT_EQ(line, (std::vector<std::u16string>{u"ruby", name, encoded_path, u"syntax_check"}));
    EXPECT_EQ(render_command_line(line),
              u"ruby \"" + name + u"\" \"" + encoded_path + u"\" \"syntax_check\"");
}

TEST(command_line, method_is_left_out_when_empty_and_arguments_follow_unchanged) {
    const auto data = plugin(u"perl", u"/p/x.pl");
    const std::vector<std::u16string> arguments{u"%E3%81%8D", u"", u"8080"};
    const auto line = build_command_line(data, u"N.pl", u"", arguments);
    ASSERT_EQ(line.size(), 6u);
    EXPECT_EQ(line[0], u"perl");
    EXPECT_EQ(line[1], u"N.pl");
    EXPECT_EQ(std::vector<std::u16string>(line.begin() + 3, line.end()), arguments);
    EXPECT_EQ(split_rendered(render_command_line(line)), line);
}

TEST(command_line, rendering_and_vector_agree_for_every_call_shape) {
    const auto data = plugin(u"python", u"C:\\plug ins\\\u304d\u3087\u3046.py");
    const std::vector<std::vector<std::u16string>> shapes{
        {},
        {u"%E3%81%8D"},
        {u"a", u"", u"b", u"80", u"", u"", u"", u"%2Fpath"},
    };
    for (const auto& arguments : shapes) {
        for (const std::u16string method : {u"run_process", u""}) {
            const auto line = build_command_line(data, u"F.py", method, arguments);
            EXPECT_EQ(split_rendered(render_command_line(line)), line);
        }
    }
}

// Where programs take file names as UTF-8 (POSIX) every interpreter gets them so, and a
// backslash is part of a name; elsewhere (Windows) only "python" gets UTF-8, the others
// the ANSI code page, and backslashes become slashes.
TEST(command_line, plugin_path_follows_the_systems_file_name_convention) {
    const scoped_locale locale("ja_JP.eucJP");
    const std::u16string path = u"C:\\\u30d7\u30e9\u30b0 \u30a4\u30f3\\\u8f9e\u66f8 1.rb";
    // プラグ イン and 辞書 in UTF-8 and in EUC-JP.
    const std::string utf8[] = {"\xE3\x83\x97\xE3\x83\xA9\xE3\x82\xB0 \xE3\x82\xA4\xE3\x83\xB3",
                                "\xE8\xBE\x9E\xE6\x9B\xB8 1.rb"};
#ifdef _WIN32
    // The Windows tests run with code page 932 as the ANSI code page.
    const std::string euc[] = {
        "\x83v\x83\x89\x83O \x83"
        "C\x83\x93",
        "\x8E\xAB\x8F\x91 1.rb"};
#else
    const std::string euc[] = {"\xA5\xD7\xA5\xE9\xA5\xB0 \xA5\xA4\xA5\xF3",
                               "\xBC\xAD\xBD\xF1 1.rb"};
#endif
    const std::string separator = platform::backslash_separates_folders() ? "/" : "\\";
    const bool all_utf8 = platform::command_line_file_names_are_utf8();
    // The comparison with "python" is exact: any other spelling follows the system.
    for (const std::u16string interpreter : {u"python", u"ruby", u"perl", u"Python"}) {
        const auto& parts = interpreter == u"python" || all_utf8 ? utf8 : euc;
        const std::string bytes = "C:" + separator + parts[0] + separator + parts[1];
        const std::u16string encoded = encode_script_path(path, interpreter);
        EXPECT_EQ(encoded, widen(utility::url_encode(bytes)));
        EXPECT_EQ(encoded.find_first_of(u" \""), std::u16string::npos);
    }
}

}  // namespace
