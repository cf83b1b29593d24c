#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/environment.h"
#include "utility/text_conversion.h"

namespace {

TEST(TextConversion, JapaneseBothWays) {
    const std::string utf8 = "\xE3\x81\x8D\xE3\x82\x87\xE3\x81\x86";
    EXPECT_EQ(utility::utf8_to_utf16(utf8), u"きょう");
    EXPECT_EQ(utility::utf16_to_utf8(u"きょう"), utf8);
}

TEST(TextConversion, EmptyInputGivesEmptyOutput) {
    EXPECT_EQ(utility::utf8_to_utf16(""), u"");
    EXPECT_EQ(utility::utf16_to_utf8(u""), "");
    EXPECT_EQ(utility::ansi_to_utf16(""), u"");
    EXPECT_EQ(utility::utf16_to_ansi(u""), "");
}

TEST(TextConversion, EmbeddedNulEndsTheText) {
    EXPECT_EQ(utility::utf8_to_utf16(std::string("ab\0cd", 5)), u"ab");
    EXPECT_EQ(utility::utf16_to_utf8(std::u16string(u"ab\0cd", 5)), "ab");
    EXPECT_EQ(utility::ansi_to_utf16(std::string("\0x", 2)), u"");
    EXPECT_EQ(utility::utf16_to_ansi(std::u16string(u"x\0y", 3)), "x");
}

TEST(TextConversion, InvalidInputIsSubstitutedNotThrown) {
    EXPECT_EQ(utility::utf8_to_utf16("\x80\x80"), u"\uFFFD\uFFFD");
    EXPECT_EQ(utility::utf16_to_utf8(std::u16string{char16_t(0xDFFF), u'a'}),
              "\xEF\xBF\xBD"
              "a");
}

TEST(TextConversion, AnsiFollowsTheLocale) {
#ifndef _WIN32  // Windows: the system's code page, 932 in the tests
    {
        test_support::scoped_locale locale("C");
        EXPECT_EQ(utility::utf16_to_ansi(u"日"), "\xE6\x97\xA5");
    }
    test_support::scoped_locale locale("ja_JP.SJIS");
#endif
    EXPECT_EQ(utility::utf16_to_ansi(u"日"), "\x93\xFA");
    EXPECT_EQ(utility::ansi_to_utf16("\x93\xFA"), u"日");
}

TEST(CaseHandling, NarrowUpperCaseTouchesAsciiLettersOnly) {
    EXPECT_EQ(utility::to_upper(std::string("syntax ok\n")), "SYNTAX OK\n");
    const std::string utf8_a_umlaut = "\xC3\xA4";
    EXPECT_EQ(utility::to_upper(utf8_a_umlaut), utf8_a_umlaut);
    EXPECT_EQ(utility::to_upper(std::string("ab\0cd", 5)), "AB");
}

TEST(CaseHandling, WideUpperCase) {
    EXPECT_EQ(utility::to_upper(std::u16string(u"abcäｚ")), u"ABCÄＺ");
    EXPECT_EQ(utility::to_upper(std::u16string(u"x\0y", 3)), u"X");
    EXPECT_EQ(utility::to_upper(std::u16string(u"a\U0001F600")), u"A\U0001F600");
}

TEST(CaseHandling, EqualNoCase) {
    EXPECT_TRUE(utility::equal_no_case(u"Abc", u"aBC"));
    EXPECT_FALSE(utility::equal_no_case(u"abc", u"abcd"));
    EXPECT_TRUE(utility::equal_no_case(u".RB", u".rb"));
    EXPECT_FALSE(utility::equal_no_case(u".rb", u".pl"));
    EXPECT_TRUE(utility::equal_no_case(u"", u""));
}

}  // namespace
