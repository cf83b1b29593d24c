#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "engine/script_language.h"
#include "utility/url_encoding.h"

namespace {

std::string source_of(const std::string& file_name) {
    std::ifstream file(std::string(PLUGDEBUG_BRIDGE_FOLDER) + "/" + file_name, std::ios::binary);
    EXPECT_TRUE(file) << file_name;
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct expected_language {
    std::u16string display_name, interpreter, extension;
    std::string source_file, first_lines;
};

const expected_language expected[] = {
    {u"Perl", u"perl", u".pl", "bridge.pl", "use strict vars;\nuse Encode;\nuse utf8;\n"},
    {u"Ruby", u"ruby", u".rb", "bridge.rb", "#! /usr/bin/ruby -Ku\n"},
    {u"Python", u"python", u".py", "bridge.py", "#! /usr/bin/python\n# coding:utf-8\n"},
};

TEST(LanguageTable, PerlRubyPythonInThisOrder) {
    const auto& languages = vuro_plugin::script_languages();
    ASSERT_EQ(languages.size(), 3u);
    for (std::size_t index = 0; index < languages.size(); ++index) {
        SCOPED_TRACE(expected[index].source_file);
        EXPECT_EQ(languages[index].display_name, expected[index].display_name);
        EXPECT_EQ(languages[index].interpreter, expected[index].interpreter);
        EXPECT_EQ(languages[index].extension, expected[index].extension);
    }
}

TEST(StoredBridge, DecodesToItsSourceByteForByte) {
    const auto& languages = vuro_plugin::script_languages();
    for (std::size_t index = 0; index < languages.size(); ++index) {
        SCOPED_TRACE(expected[index].source_file);
        const std::string source = source_of(expected[index].source_file);
        ASSERT_FALSE(source.empty());
        const std::string& stored = languages[index].stored_bridge;
        EXPECT_EQ(utility::url_decode(stored), source);
        EXPECT_EQ(stored, utility::url_encode(source));
    }
}

TEST(StoredBridge, IsFormEncodedAscii) {
    for (const auto& language : vuro_plugin::script_languages()) {
        const std::string& stored = language.stored_bridge;
        for (std::size_t at = 0; at < stored.size(); ++at) {
            const char c = stored[at];
            if (c == '%') {
                ASSERT_LT(at + 2, stored.size());
                for (const char digit : stored.substr(at + 1, 2))
                    ASSERT_NE(std::string("0123456789ABCDEF").find(digit), std::string::npos) << at;
                at += 2;
            } else {
                ASSERT_NE(std::string("+._-").find(c), std::string::npos) << "byte " << at;
            }
        }
    }
}

// The interpreter lines are part of the protocol; a CR or a byte-order mark would make
// Ruby and Python print warnings or fail.
TEST(StoredBridge, BeginsWithItsFirstLinesAndEndsLinesWithLf) {
    const auto& languages = vuro_plugin::script_languages();
    for (std::size_t index = 0; index < languages.size(); ++index) {
        SCOPED_TRACE(expected[index].source_file);
        const std::string script = utility::url_decode(languages[index].stored_bridge);
        EXPECT_EQ(
            script.compare(0, expected[index].first_lines.size(), expected[index].first_lines), 0);
        EXPECT_EQ(script.find('\r'), std::string::npos);
        EXPECT_EQ(script.back(), '\n');
    }
}

}  // namespace
