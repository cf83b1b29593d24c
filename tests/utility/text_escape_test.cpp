#include <gtest/gtest.h>

#include "utility/text_escape.h"

namespace {

TEST(ReplaceAll, InsertedTextIsNeverRescanned) {
    std::u16string text = u"aaa";
    utility::replace_all(text, u"a", u"aa");
    EXPECT_EQ(text, u"aaaaaa");

    text = u"abab";
    utility::replace_all(text, u"ab", u"b");
    EXPECT_EQ(text, u"bb");

    text = u"xyz";
    utility::replace_all(text, u"", u"!");
    EXPECT_EQ(text, u"xyz");

    text = u"\\n and \\n";
    utility::replace_all(text, u"\\n", u"<br />");
    EXPECT_EQ(text, u"<br /> and <br />");
}

TEST(ToForwardSlashes, EveryBackslash) {
    EXPECT_EQ(utility::to_forward_slashes(u"C:\\a\\b\\"), u"C:/a/b/");
    EXPECT_EQ(utility::to_forward_slashes(u"\\\\server"), u"//server");
}

TEST(EscapeXml, FiveCharactersInOrder) {
    EXPECT_EQ(utility::escape_xml(u"&<>'\""), u"&amp;&lt;&gt;&apos;&quot;");
    EXPECT_EQ(utility::escape_xml(u"&amp;"), u"&amp;amp;");
    EXPECT_EQ(utility::escape_xml(u"a < b & 日本"), u"a &lt; b &amp; 日本");
    EXPECT_EQ(utility::escape_xml(u""), u"");
}

}  // namespace
