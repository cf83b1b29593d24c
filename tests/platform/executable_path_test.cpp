#include <gtest/gtest.h>

#include <filesystem>

#include "platform/executable_path.h"
#include "platform/text_codec.h"

namespace {

TEST(ExecutablePath, NamesTheRunningTestProgram) {
    const std::u16string path = platform::executable_path();
    std::string utf8;
    ASSERT_TRUE(platform::utf16_to_bytes(platform::code_page::utf8, path, utf8));
    const std::filesystem::path file = std::filesystem::u8path(utf8);
    EXPECT_TRUE(file.is_absolute()) << utf8;
    EXPECT_TRUE(std::filesystem::is_regular_file(file)) << utf8;
    EXPECT_EQ(file.stem().string(), "platform_tests");
}

}  // namespace
