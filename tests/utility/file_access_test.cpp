#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

#include "tests/support/expect_error.h"
#include "tests/support/scratch.h"
#include "utility/file_access.h"

namespace {

std::string raw_contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

using test_support::expect_runtime_error;

TEST(ReadFile, StopsAtTheFirstZeroByte) {
    test_support::scratch_folder folder;
    std::ofstream(folder.path() / "z.bin", std::ios::binary).write("ab\0cd", 5);
    EXPECT_EQ(utility::read_file(folder.u16("z.bin")), "ab");
}

TEST(ReadFile, LargeFileWithZeroAfterTheFirstBlock) {
    test_support::scratch_folder folder;
    std::string data(200000, 'x');
    data[150001] = '\0';
    std::ofstream(folder.path() / "big.bin", std::ios::binary).write(data.data(), data.size());
    EXPECT_EQ(utility::read_file(folder.u16("big.bin")), std::string(150001, 'x'));
}

TEST(ReadFile, MissingFileThrows) {
    test_support::scratch_folder folder;
    expect_runtime_error([&] { utility::read_file(folder.u16("missing")); },
                         "utility::read_file() : fault.");
}

TEST(ReadFile, JapaneseFileName) {
    test_support::scratch_folder folder;
    // Written through the function under test: the C++ library of the Windows build
    // cannot open such a name with a file stream.
    utility::write_file(folder.u16() + u"/日本語.txt", "text");
    EXPECT_TRUE(std::filesystem::exists(folder.path() / std::filesystem::u8path("日本語.txt")));
    EXPECT_EQ(utility::read_file(folder.u16() + u"/日本語.txt"), "text");
}

TEST(WriteFile, WritesEveryByteAndReplaces) {
    test_support::scratch_folder folder;
    const std::string data("a\0b\xFF", 4);
    utility::write_file(folder.u16("f"), "a much longer text that is replaced");
    utility::write_file(folder.u16("f"), data);
    EXPECT_EQ(raw_contents(folder.path() / "f"), data);
}

TEST(WriteFile, MissingFolderThrows) {
    test_support::scratch_folder folder;
    expect_runtime_error([&] { utility::write_file(folder.u16("no/such/file"), "x"); },
                         "utility::write_file() : fault.");
}

TEST(WriteFile, FullDeviceIsAFailure) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    expect_runtime_error([] { utility::write_file(u"/dev/full", std::string(100000, 'x')); },
                         "utility::write_file() : fault.");
}

}  // namespace
