#include <gtest/gtest.h>

#include <string>

#include "platform/sha1.h"

namespace {

std::string hex(const platform::sha1_digest& digest) {
    static constexpr char alphabet[] = "0123456789abcdef";
    std::string text;
    for (auto byte : digest) {
        text += alphabet[byte >> 4];
        text += alphabet[byte & 15];
    }
    return text;
}

TEST(Sha1, PublishedVectors) {
    platform::sha1_digest digest{};
    ASSERT_TRUE(platform::sha1("abc", digest));
    EXPECT_EQ(hex(digest), "a9993e364706816aba3e25717850c26c9cd0d89d");
    ASSERT_TRUE(platform::sha1("", digest));
    EXPECT_EQ(hex(digest), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    ASSERT_TRUE(platform::sha1(std::string(1000000, 'a'), digest));
    EXPECT_EQ(hex(digest), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

}  // namespace
