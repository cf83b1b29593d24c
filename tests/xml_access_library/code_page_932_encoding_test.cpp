#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "xml_access_library/code_page_932_encoding.h"
#include "xml_access_library/xml_access_utility.h"

namespace {

using xml_access_library::detail::decode_code_page_932;

struct decoded {
    int result;
    int consumed;
    std::string text;
};

decoded decode(const std::string& bytes, int room) {
    std::string out(static_cast<std::size_t>(room), '\0');
    int outlen = room;
    int inlen = static_cast<int>(bytes.size());
    const int result = decode_code_page_932(reinterpret_cast<unsigned char*>(out.data()), &outlen,
                                            reinterpret_cast<const unsigned char*>(bytes.data()),
                                            &inlen);
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
        {"\x81\x60\x5C", 64, 3, "\xEF\xBD\x9E\\"},                 // ～ and 0x5C as backslash
        {"\xB1", 64, 1, "\xEF\xBD\xB1"},                           // half-width katakana
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
