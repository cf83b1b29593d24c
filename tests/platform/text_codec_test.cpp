#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/text_codec.h"
#include "tests/support/environment.h"

namespace {

using platform::code_page;

std::u16string decode(code_page page, const std::string& bytes) {
    std::u16string out;
    EXPECT_TRUE(platform::bytes_to_utf16(page, bytes, out));
    return out;
}

std::string encode(code_page page, const std::u16string& text) {
    std::string out;
    EXPECT_TRUE(platform::utf16_to_bytes(page, text, out));
    return out;
}

TEST(Utf8Codec, JapaneseRoundTrip) {
    const std::string bytes = "\xE3\x81\x8D\xE3\x82\x87\xE3\x81\x86 \xF0\x9F\x98\x80";  // きょう 😀
    const std::u16string text = u"きょう \U0001F600";
    EXPECT_EQ(decode(code_page::utf8, bytes), text);
    EXPECT_EQ(encode(code_page::utf8, text), bytes);
}

TEST(Utf8Codec, InvalidSequencesBecomeReplacementCharacters) {
    EXPECT_EQ(decode(code_page::utf8,
                     "a\xFF"
                     "b"),
              u"a\uFFFDb");
    EXPECT_EQ(decode(code_page::utf8, "\xE3\x81"), u"\uFFFD");        // truncated sequence
    EXPECT_EQ(decode(code_page::utf8, "\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong slash
}

TEST(Utf8Codec, LoneSurrogatesBecomeReplacementCharacters) {
    const std::u16string high_alone = {u'x', char16_t(0xD800), u'y'};
    const std::u16string low_alone = {char16_t(0xDC00)};
    EXPECT_EQ(encode(code_page::utf8, high_alone), "x\xEF\xBF\xBDy");
    EXPECT_EQ(encode(code_page::utf8, low_alone), "\xEF\xBF\xBD");
}

TEST(Utf8Codec, EmbeddedNulIsConvertedLikeAnyCharacter) {
    const std::string bytes("a\0b", 3);
    EXPECT_EQ(decode(code_page::utf8, bytes), std::u16string(u"a\0b", 3));
}

TEST(ShiftJisCodec, ReadsAndWritesCodePage932WhateverTheLocale) {
    // 日本～\ and a half-width katakana: 0x5C is the backslash, 0x8160 the full-width tilde.
    const std::string bytes = "\x93\xFA\x96\x7B\x81\x60\x5C\xB1";
    const std::u16string text = u"日本\uFF5E\\\uFF71";
    EXPECT_EQ(decode(code_page::shift_jis, bytes), text);
    EXPECT_EQ(encode(code_page::shift_jis, text), bytes);
    EXPECT_EQ(encode(code_page::shift_jis, u"a\u00E4b"), "a?b");  // not in the code page
}

#ifndef _WIN32
// The ANSI code page of POSIX follows the locale of the environment.
TEST(AnsiCodec, CPosixAndUnknownCodesetsCountAsUtf8) {
    for (const char* name :
         {"C", "POSIX", static_cast<const char*>(nullptr), "xx_XX.NOSUCHCODESET"}) {
        test_support::scoped_locale locale(name);
        EXPECT_EQ(platform::ansi_codeset_name(), "UTF-8");
        EXPECT_EQ(decode(code_page::ansi, "\xE6\x97\xA5"), u"日");
        EXPECT_EQ(encode(code_page::ansi, u"日"), "\xE6\x97\xA5");
    }
}

TEST(AnsiCodec, Utf8LocaleIsUtf8) {
    test_support::scoped_locale locale("C.UTF-8");
    EXPECT_EQ(platform::ansi_codeset_name(), "UTF-8");
    EXPECT_EQ(encode(code_page::ansi, u"日本語"), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
}

TEST(AnsiCodec, LegacyLocaleUsesItsCodesetEvenWhenNotInstalled) {
    test_support::scoped_locale locale("ja_JP.eucJP");
    EXPECT_EQ(encode(code_page::ansi, u"日本語"), "\xC6\xFC\xCB\xDC\xB8\xEC");
    EXPECT_EQ(decode(code_page::ansi, "\xC6\xFC\xCB\xDC\xB8\xEC"), u"日本語");
}

TEST(AnsiCodec, UnmappableCharactersBecomeQuestionMarks) {
    test_support::scoped_locale locale("ja_JP.eucJP");
    EXPECT_EQ(encode(code_page::ansi, u"a\U0001F600b"), "a?b");
}

#else
// The Windows tests run with code page 932 as the system's ANSI code page.
TEST(AnsiCodec, IsTheSystemCodePage) {
    EXPECT_EQ(platform::ansi_codeset_name(), "windows-932");
    EXPECT_EQ(encode(code_page::ansi, u"日本語"), "\x93\xFA\x96\x7B\x8C\xEA");
    EXPECT_EQ(decode(code_page::ansi, "\x93\xFA\x96\x7B\x8C\xEA"), u"日本語");
}
#endif

TEST(UpperCase, SimpleMappingPerCodeUnit) {
    EXPECT_EQ(platform::to_upper_code_unit(u'a'), u'A');
    EXPECT_EQ(platform::to_upper_code_unit(u'ä'), u'Ä');
    EXPECT_EQ(platform::to_upper_code_unit(u'ｂ'), u'Ｂ');  // full-width
    EXPECT_EQ(platform::to_upper_code_unit(u'ß'), u'ß');    // no one-unit upper case
    EXPECT_EQ(platform::to_upper_code_unit(char16_t(0xD801)), char16_t(0xD801));
    EXPECT_EQ(platform::to_upper_code_unit(u'あ'), u'あ');
}

}  // namespace
