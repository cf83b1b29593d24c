#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "engine/script_file_access.h"
#include "engine/temporary_file_name.h"
#include "tests/support/scratch.h"
#include "utility/digest.h"
#include "utility/file_access.h"
#include "utility/url_encoding.h"

namespace {

using vuro_plugin::bridge_file_failure;
using vuro_plugin::create_temporary_file_name;
using vuro_plugin::release_temporary_file_name;
using vuro_plugin::script_file_access;

std::u16string widen(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// Every name the generator can produce, without extension.
std::set<std::u16string> all_possible_names() {
    std::set<std::u16string> names;
    for (int number = 0; number <= 32767; ++number)
        names.insert(widen(utility::sha1_hex("vuro_direct_script_" + std::to_string(number))));
    return names;
}

TEST(create_temporary_file_name, digest_of_a_numbered_text_plus_extension) {
    const test_support::scratch_folder folder;
    const auto possible = all_possible_names();
    std::set<std::u16string> drawn;
    for (int i = 0; i < 50; ++i) {
        const std::u16string name = create_temporary_file_name(folder.u16() + u"/", u".rb");
        ASSERT_EQ(name.size(), 43u);
        EXPECT_EQ(name.substr(40), u".rb");
        EXPECT_EQ(possible.count(name.substr(0, 40)), 1u) << "not a name of the generator";
        drawn.insert(name);
    }
    EXPECT_GT(drawn.size(), 40u) << "names barely vary";
}

// 2000 draws from 32768 numbers repeat a number dozens of times: a name held by one
// thread must never reach another until it is let go.
TEST(create_temporary_file_name, never_gives_out_a_name_another_thread_holds) {
    const test_support::scratch_folder folder;
    const std::u16string where = folder.u16() + u"/";
    std::vector<std::vector<std::u16string>> drawn(4);
    std::vector<std::thread> threads;
    for (auto& names : drawn)
        threads.emplace_back([&names, &where] {
            for (int i = 0; i < 500; ++i)
                names.push_back(create_temporary_file_name(where, u".rb"));
        });
    for (std::thread& thread : threads) thread.join();
    std::set<std::u16string> distinct;
    for (const auto& names : drawn) {
        for (const std::u16string& name : names) {
            EXPECT_EQ(name.size(), 43u);
            EXPECT_TRUE(distinct.insert(name).second) << "given out twice while held";
        }
    }
    for (const std::u16string& name : distinct) release_temporary_file_name(where, name);
}

TEST(create_temporary_file_name, empty_when_the_drawn_name_exists) {
    const test_support::scratch_folder folder;
    for (const std::u16string& name : all_possible_names()) {
        const std::string narrow(name.begin(), name.end());
        std::ofstream(folder.path() / (narrow + ".py"));
    }
    EXPECT_EQ(create_temporary_file_name(folder.u16() + u"/", u".py"), u"");
    // Another extension is free.
    EXPECT_EQ(create_temporary_file_name(folder.u16() + u"/", u".pl").size(), 43u);
}

TEST(script_file_access, writes_the_decoded_bridge_and_deletes_it) {
    const test_support::scratch_folder folder;
    const std::string bridge = "print \"syntax ok\"\r\n# \xE3\x81\x8D 100%\r\n";
    const std::filesystem::path path = folder.path() / "B.pl";
    {
        const script_file_access file(folder.u16() + u"/", u"B.pl", utility::url_encode(bridge));
        EXPECT_EQ(file.path(), folder.u16() + u"/B.pl");
        EXPECT_EQ(utility::read_file(folder.u16("B.pl")), bridge);
        EXPECT_EQ(std::filesystem::file_size(path), bridge.size());
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(script_file_access, existing_file_with_the_same_bytes_is_reused) {
    const test_support::scratch_folder folder;
    const std::string bridge = "puts 'syntax ok'\r\n";
    utility::write_file(folder.u16("B.rb"), bridge);
    {
        const script_file_access file(folder.u16() + u"/", u"B.rb", utility::url_encode(bridge));
        EXPECT_EQ(utility::read_file(folder.u16("B.rb")), bridge);
    }
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "B.rb"));
}

TEST(script_file_access, existing_file_with_other_bytes_is_a_fault_and_kept) {
    const test_support::scratch_folder folder;
    utility::write_file(folder.u16("B.rb"), "someone else's file");
    try {
        const script_file_access file(folder.u16() + u"/", u"B.rb", utility::url_encode("x"));
        FAIL() << "no fault raised";
    } catch (const bridge_file_failure& error) {
        EXPECT_STREQ(error.what(), "script_file_access::script_file_access() : fault.");
    }
    EXPECT_EQ(utility::read_file(folder.u16("B.rb")), "someone else's file");
}

TEST(script_file_access, unwritable_place_raises_the_write_fault_and_leaves_nothing) {
    const test_support::scratch_folder folder;
    const std::u16string missing = folder.u16("missing") + u"/";
    try {
        const script_file_access file(missing, u"B.rb", "%41");
        ADD_FAILURE() << "no fault raised";
    } catch (const bridge_file_failure& error) {
        EXPECT_STREQ(error.what(), "utility::write_file() : fault.");
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

}  // namespace
