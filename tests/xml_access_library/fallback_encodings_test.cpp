#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "xml_access_library/fallback_encodings.h"
#include "xml_access_library/xml_access_utility.h"

namespace {

using xml_access_library::detail::decode_code_page_932;
using xml_access_library::detail::decode_utf32be;
using xml_access_library::detail::decode_utf32le;

struct decoded {
    int result;
    int consumed;
    std::string text;
};

using decoder = int (*)(unsigned char*, int*, const unsigned char*, int*);

decoded decode(const std::string& bytes, int room, decoder function = decode_code_page_932) {
    std::string out(static_cast<std::size_t>(room), '\0');
    int outlen = room;
    int inlen = static_cast<int>(bytes.size());
    const int result = function(reinterpret_cast<unsigned char*>(out.data()), &outlen,
                                reinterpret_cast<const unsigned char*>(bytes.data()), &inlen);
    return {result, inlen, out.substr(0, static_cast<std::size_t>(std::max(outlen, 0)))};
}

TEST(CodePage932Decoder, DecodesWholeCharactersThatSurelyFit) {
    const struct {
        std::string bytes;
        int room;
        int consumed;
        std::string utf8;
    } cases[] = {
        {"\x93\xFA\x96\x7B", 64, 4, "\xE6\x97\xA5\xE6\x9C\xAC"},  // 日本
        {"\x81\x60\x5C", 64, 3, "\xEF\xBD\x9E\\"},                // ～ and 0x5C as backslash
        {"\xB1", 64, 1, "\xEF\xBD\xB1"},                          // half-width katakana
        {"\x93\xFA\x96", 64, 2, "\xE6\x97\xA5"},  // a lead byte waits for its trail byte
        {"abcd", 6, 2, "ab"},                     // room for two bytes at three each
        {"\x93\xFA", 5, 0, ""},                   // not even one character fits surely
        {"", 64, 0, ""},
    };
    for (const auto& c : cases) {
        const decoded result = decode(c.bytes, c.room);
        EXPECT_EQ(result.result, static_cast<int>(c.utf8.size())) << c.bytes;
        EXPECT_EQ(result.consumed, c.consumed) << c.bytes;
        EXPECT_EQ(result.text, c.utf8) << c.bytes;
    }
}

TEST(Utf32Decoder, DecodesWholeUnitsAndRefusesWhatIsNoCharacter) {
    const struct {
        decoder function;
        std::string bytes;
        int room;
        int result;
        int consumed;
        std::string utf8;
    } cases[] = {
        {decode_utf32le, std::string("\xE5\x65\0\0a\0\0\0", 8), 64, 4, 8,
         "\xE6\x97\xA5"
         "a"},
        {decode_utf32be, std::string("\0\x01\xF6\x00", 4), 64, 4, 4, "\xF0\x9F\x98\x80"},
        {decode_utf32le, std::string("a\0\0\0b\0\0", 7), 64, 1, 4, "a"},  // a unit cut short waits
        {decode_utf32le, std::string("a\0\0\0\xE5\x65\0\0", 8), 3, 1, 4, "a"},  // no room for 日
        {decode_utf32le, std::string("a\0\0\0\0\xD8\0\0", 8), 64, -2, 4, "a"},  // a surrogate
        {decode_utf32be, std::string("\0\x11\0\0", 4), 64, -2, 0, ""},          // above U+10FFFF
    };
    for (const auto& c : cases) {
        const decoded result = decode(c.bytes, c.room, c.function);
        EXPECT_EQ(result.result, c.result) << c.utf8;
        EXPECT_EQ(result.consumed, c.consumed) << c.utf8;
        EXPECT_EQ(result.text, c.utf8);
    }
}

TEST(CodePage932Decoder, ADocumentLongerThanOneChunkKeepsEveryCharacter) {
    // An odd number of ASCII bytes first puts the two-byte characters across the
    // boundaries of the chunks the parser reads.
    std::string body;
    std::u16string expected;
    for (int i = 0; i < 60000; ++i) {
        body += "\x93\xFA";  // 日
        expected += u'日';
    }
    const std::string text = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r>a" + body + "</r>";
    xml_access_library::xml_access_utility_impl source(text);
    const auto root = xml_access_library::xml_access_utility::get_root_node(source);
    EXPECT_EQ(xml_access_library::xml_access_utility::get_node_text(root), u"a" + expected);
}

}  // namespace
