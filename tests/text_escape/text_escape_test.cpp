#include <gtest/gtest.h>

#include "text_escape/text_escape.h"

namespace {

TEST(ReplaceAll, InsertedTextIsNeverRescanned) {
    std::u16string text = u"aaa";
    text_escape::replace_all(text, u"a", u"aa");
    EXPECT_EQ(text, u"aaaaaa");

    text = u"abab";
    text_escape::replace_all(text, u"ab", u"b");
    EXPECT_EQ(text, u"bb");

    text = u"xyz";
    text_escape::replace_all(text, u"", u"!");
    EXPECT_EQ(text, u"xyz");

    text = u"\\n and \\n";
    text_escape::replace_all(text, u"\\n", u"<br />");
    EXPECT_EQ(text, u"<br /> and <br />");
}

TEST(ToForwardSlashes, EveryBackslash) {
    EXPECT_EQ(text_escape::to_forward_slashes(u"C:\\a\\b\\"), u"C:/a/b/");
    EXPECT_EQ(text_escape::to_forward_slashes(u"\\\\server"), u"//server");
}

TEST(EscapeXml, FiveCharactersInOrder) {
    EXPECT_EQ(text_escape::escape_xml(u"&<>'\""), u"&amp;&lt;&gt;&apos;&quot;");
    EXPECT_EQ(text_escape::escape_xml(u"&amp;"), u"&amp;amp;");
    EXPECT_EQ(text_escape::escape_xml(u"a < b & 日本"), u"a &lt; b &amp; 日本");
    EXPECT_EQ(text_escape::escape_xml(u""), u"");
}

}  // namespace
