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

// Ruby on Windows writes a file name it could not load in the ANSI code page, next to
// UTF-8 from the plug-in and from Ruby's own folder names.
TEST(TextConversion, OutputReadsUtf8AndTheAnsiCodePageMixed) {
#ifndef _WIN32
    {
        test_support::scoped_locale locale("C");  // the ANSI code page is UTF-8: as before
        EXPECT_EQ(utility::output_to_utf16("\x93\xFA\xE6\x97\xA5"), u"\uFFFD\uFFFD日");
    }
    test_support::scoped_locale locale("ja_JP.SJIS");
#endif
    const struct {
        const char* bytes;
        std::u16string text;
    } cases[] = {
        {"\xE6\x97\xA5\xE6\x9C\xAC", u"日本"},
        // 本 is 96 7B: its second byte is ASCII.
        {"-- Z:/\x93\xFA\x96\x7B/\x96\xB3\x82\xA2.rb (LoadError)",
         u"-- Z:/日本/無い.rb (LoadError)"},
        {"<internal:C:/\xE6\x97\xA5/k.rb>: \x93\xFA", u"<internal:C:/日/k.rb>: 日"},
        {"\x93\xFA\n\xE6\x97\xA5", u"日\n日"},
        {"\x82\xA0 \xE3\x81\x82", u"あ あ"},  // 82 cannot start UTF-8
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(utility::output_to_utf16(c.bytes), c.text);
    }
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
