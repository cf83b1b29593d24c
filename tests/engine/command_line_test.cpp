#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "engine/command_line.h"
#include "utility/url_encoding.h"
#include "tests/support/environment.h"

namespace {

using vuro_plugin::build_command_line;
using vuro_plugin::encode_script_path;
using vuro_plugin::render_command_line;

using test_support::scoped_locale;

std::u16string widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

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
    const auto data = plugin(u"ruby", u"C:\\p\\a b.rb");
    const std::u16string name = u"0123456789ABCDEF0123456789ABCDEF01234567.rb";
    const auto line = build_command_line(data, name, u"syntax_check", {});
    const std::u16string encoded_path = widen(utility::url_encode("C:/p/a b.rb"));
    EXPECT_EQ(encoded_path, u"%43%3A%2F%70%2F%61+%62.%72%62");
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

TEST(command_line, python_gets_utf8_path_others_get_ansi_path) {
    const scoped_locale locale("ja_JP.eucJP");
    const std::u16string path = u"C:\\\u30d7\u30e9\u30b0 \u30a4\u30f3\\\u8f9e\u66f8 1.rb";
    // UTF-8 of the path with slashes: プラグ イン/辞書 1.rb
    const std::string utf8 =
        "C:/\xE3\x83\x97\xE3\x83\xA9\xE3\x82\xB0 \xE3\x82\xA4\xE3\x83\xB3/"
        "\xE8\xBE\x9E\xE6\x9B\xB8 1.rb";
#ifdef _WIN32
    // The Windows tests run with code page 932 as the ANSI code page.
    const std::string euc = "C:/\x83v\x83\x89\x83O \x83""C\x83\x93/\x8E\xAB\x8F\x91 1.rb";
#else
    const std::string euc = "C:/\xA5\xD7\xA5\xE9\xA5\xB0 \xA5\xA4\xA5\xF3/\xBC\xAD\xBD\xF1 1.rb";
#endif
    EXPECT_EQ(encode_script_path(path, u"python"), widen(utility::url_encode(utf8)));
    EXPECT_EQ(encode_script_path(path, u"ruby"), widen(utility::url_encode(euc)));
    EXPECT_EQ(encode_script_path(path, u"perl"), widen(utility::url_encode(euc)));
    // The comparison with "python" is exact: any other spelling gets the ANSI path.
    EXPECT_EQ(encode_script_path(path, u"Python"), widen(utility::url_encode(euc)));
    const std::u16string encoded = encode_script_path(path, u"python");
    EXPECT_EQ(encoded.find(u' '), std::u16string::npos);
    EXPECT_EQ(encoded.find(u'"'), std::u16string::npos);
    EXPECT_NE(encoded.find(u'+'), std::u16string::npos);
}

}  // namespace
