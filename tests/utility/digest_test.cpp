#include <gtest/gtest.h>

#include "utility/digest.h"

namespace {

TEST(Sha1Hex, PublishedVectorsInUpperCase) {
    EXPECT_EQ(utility::sha1_hex("abc"), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(utility::sha1_hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983E441C3BD26EBAAE4AA1F95129E5E54670F1");
    EXPECT_EQ(utility::sha1_hex(std::string("\0", 1)), "5BA93C9DB0CFF93F52B521D7420E43F6EDA2784F");
}

TEST(Sha1Hex, EmptyInputGivesEmptyText) { EXPECT_EQ(utility::sha1_hex(""), ""); }

}  // namespace
