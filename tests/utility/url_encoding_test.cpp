#include <gtest/gtest.h>

#include <random>

#include "utility/url_encoding.h"

namespace {

TEST(UrlEncode, Examples) {
    EXPECT_EQ(utility::url_encode("a b.c"), "%61+%62.%63");
    EXPECT_EQ(utility::url_encode("A-Z_0.9"), "%41-%5A_%30.%39");
    EXPECT_EQ(utility::url_encode(""), "");
    EXPECT_EQ(utility::url_encode(std::string("\n\0\xFF", 3)), "%0A%00%FF");
}

TEST(UrlDecode, Examples) {
    EXPECT_EQ(utility::url_decode("%41%4a+x"), "AJ x");
    EXPECT_EQ(utility::url_decode("%e3%81%8D"), "\xE3\x81\x8D");
}

TEST(UrlDecode, MalformedEscapesPassThrough) {
    EXPECT_EQ(utility::url_decode("%4"), "%4");
    EXPECT_EQ(utility::url_decode("100%"), "100%");
    EXPECT_EQ(utility::url_decode("%zz1"), "%zz1");
    EXPECT_EQ(utility::url_decode("%-1"), "%-1");
    EXPECT_EQ(utility::url_decode("%0x"), "%0x");
    EXPECT_EQ(utility::url_decode("%%41"), "%%41");
    EXPECT_EQ(utility::url_decode(std::string("%\0"
                                              "1",
                                              3)),
              std::string("%\0"
                          "1",
                          3));
}

TEST(UrlDecode, StrtolRulesForTheTwoCharacters) {
    EXPECT_EQ(utility::url_decode("% 1"), "\x01");  // a leading blank is accepted
    EXPECT_EQ(utility::url_decode("%+f"), "\x0F");  // and a sign
    EXPECT_EQ(utility::url_decode("%-0"), std::string(1, '\0'));
}

TEST(UrlEncoding, RoundTripOverRandomBytes) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 64);
    for (int i = 0; i < 5000; ++i) {
        std::string bytes(length(random), '\0');
        for (char& c : bytes) c = static_cast<char>(byte(random));
        const std::string encoded = utility::url_encode(bytes);
        ASSERT_EQ(encoded.find_first_not_of("%+.-_0123456789ABCDEF"), std::string::npos) << encoded;
        ASSERT_EQ(utility::url_decode(encoded), bytes);
    }
    std::string every_byte;
    for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
    EXPECT_EQ(utility::url_decode(utility::url_encode(every_byte)), every_byte);
}

}  // namespace
