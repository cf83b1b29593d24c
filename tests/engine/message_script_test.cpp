// The viewer document of a result message.
#include <gtest/gtest.h>

#include "engine/message_script.h"
#include "tests/bridges/xml_check.h"
#include "utility/text_conversion.h"

namespace {

using vuro_plugin::message_script;
using vuro_plugin::message_script_item;

const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n\n<itemlist>\n";

message_script_item titled(const std::u16string& title) {
    message_script_item item;
    item.title = title;
    return item;
}

TEST(message_script_test, title_only_candidate_gives_the_ten_line_document) {
    message_script message;
    message.append_item(titled(u"a<b &c'"));
    EXPECT_EQ(message.write_candidate_xml(3, 7), head +
                                                     "\t<item type=\"candidate\">\n"
                                                     "\t\t<title>a&lt;b &amp;c&apos;</title>\n"
                                                     "\t\t<plugin_index>3</plugin_index>\n"
                                                     "\t\t<candidate_index>0</candidate_index>\n"
                                                     "\t\t<generation_id>7</generation_id>\n"
                                                     "\t</item>\n"
                                                     "</itemlist>\n");
}

TEST(message_script_test, alternative_is_written_only_for_a_usable_target) {
    struct alternative_case {
        std::u16string type, target, alias;
        std::string written;  // between the title line and the index lines
    };
    const std::string alias = "\t\t\t<alias>see</alias>\n";
    const alternative_case cases[] = {
        {u"definite_string", u"今日", u"see",
         "\t\t<alternative type=\"definite_string\">\n\t\t\t<target>今日</target>\n" + alias +
             "\t\t</alternative>\n"},
        {u"url_jump_string", u"https://a/?x&y", u"",
         "\t\t<alternative type=\"url_jump_string\">\n"
         "\t\t\t<target>https://a/?x&amp;y</target>\n\t\t</alternative>\n"},
        {u"url_jump_string", u"ftp://a/", u"see", ""},
        {u"url_jump_string", u"HTTP://a/", u"", ""},
        {u"DEFINITE_STRING", u"x", u"", ""},
        {u"research_function", u"", u"see", ""},
        {u"definite_string", u"", u"see", ""},
        {u"", u"x", u"", ""},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(utility::utf16_to_utf8(each.type + u" " + each.target));
        message_script message;
        message_script_item item = titled(u"t");
        item.alternative_type = each.type;
        item.alternative = each.target;
        item.alternative_alias = each.alias;
        item.info = u"i";
        message.append_item(item);
        EXPECT_EQ(message.write_candidate_xml(0, 0),
                  head + "\t<item type=\"candidate\">\n\t\t<title>t</title>\n" + each.written +
                      "\t\t<info>i</info>\n\t\t<plugin_index>0</plugin_index>\n"
                      "\t\t<candidate_index>0</candidate_index>\n"
                      "\t\t<generation_id>0</generation_id>\n\t</item>\n</itemlist>\n");
    }
}

TEST(message_script_test, hostile_texts_come_back_whole_from_a_parser) {
    // The NUL (which ended the text) and U+FFFE and U+FFFF (which made the document
    // ill-formed) were found by fuzzing.
    const std::u16string hostile = u"<a href=\"x\">&amp;</a> 'q'\tTAB\nLF\r𠮷\x01]]>" +
                                   std::u16string(u"\uFFFE\uFFFF\0NUL", 6);
    message_script message;
    message_script_item item;
    item.title = hostile + u"1";
    item.comment = hostile + u"2";
    item.alternative = u"http" + hostile;
    item.alternative_alias = hostile + u"3";
    item.alternative_type = u"url_jump_string";
    item.info = hostile + u"4";
    message.append_item(item);
    message.append_item(titled(u"second"));

    const std::string xml = message.write_candidate_xml(-1, 2147483647);
    ASSERT_EQ(bridge_test::xml_error(xml), "") << xml;
    // A control character XML cannot hold comes back as a blank, a non-character as
    // U+FFFD; everything else whole.
    std::u16string expected = hostile;
    for (char16_t& unit : expected) {
        if (unit == u'\x01' || unit == u'\0') unit = u' ';
        if (unit >= 0xFFFE) unit = u'\uFFFD';
    }
    const auto utf8 = [](const std::u16string& text) { return utility::utf16_to_utf8(text); };
    using texts = std::vector<std::string>;
    EXPECT_EQ(bridge_test::element_texts(xml, "title"), (texts{utf8(expected + u"1"), "second"}));
    const std::pair<const char*, std::u16string> single[] = {{"comment", expected + u"2"},
                                                             {"target", u"http" + expected},
                                                             {"alias", expected + u"3"},
                                                             {"info", expected + u"4"}};
    for (const auto& [name, text] : single)
        EXPECT_EQ(bridge_test::element_texts(xml, name), texts{utf8(text)}) << name;
    EXPECT_EQ(bridge_test::element_texts(xml, "plugin_index"), (texts{"-1", "-1"}));
    EXPECT_EQ(bridge_test::element_texts(xml, "candidate_index"), (texts{"0", "1"}));
    EXPECT_EQ(bridge_test::element_texts(xml, "generation_id"),
              (texts{"2147483647", "2147483647"}));
}

}  // namespace
