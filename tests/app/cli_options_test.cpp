#include <gtest/gtest.h>

#include "app/cli/cli_options.h"

namespace {

using vuro_plugin::cli::parse_command_line;

TEST(cli_options, parses_operands_and_options_wherever_they_stand) {
    const auto parsed = parse_command_line(
        {"--viewer-xml", "a.rb", "--callback", "候補", "きょう", "--preference"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.plugin, "a.rb");
    EXPECT_EQ(parsed.options.text, "きょう");
    EXPECT_TRUE(parsed.options.viewer_xml);
    EXPECT_TRUE(parsed.options.preference);
    EXPECT_EQ(parsed.options.callback_candidate.value_or("none"), "候補");

    const auto joined = parse_command_line({"--callback=x=y", "a.rb", "t"});
    EXPECT_EQ(joined.options.callback_candidate.value_or("none"), "x=y");

    const auto dashes = parse_command_line({"a.rb", "--", "--list"});
    ASSERT_EQ(dashes.error, "");
    EXPECT_EQ(dashes.options.text, "--list");

    const auto check = parse_command_line({"-j2", "--check", "c.json", "--junit", "r.xml"});
    ASSERT_EQ(check.error, "");
    EXPECT_EQ(check.options.check_file.value_or("none"), "c.json");
    EXPECT_EQ(check.options.junit_file.value_or("none"), "r.xml");
    EXPECT_EQ(check.options.jobs, 2u);
    EXPECT_EQ(parse_command_line({"--check", "c.json", "-j", "64"}).options.jobs, 64u);
    EXPECT_FALSE(dashes.options.list);
    EXPECT_EQ(parse_command_line({"a.rb", "-"}).options.text, "-");
}

TEST(cli_options, rejects_unusable_command_lines) {
    const std::vector<std::vector<std::string>> bad{
        {},
        {"a.rb"},
        {"a.rb", "t", "extra"},
        {"--bogus", "a.rb", "t"},
        {"-x", "a.rb", "t"},
        {"a.rb", "t", "--callback"},
        {"--list", "a.rb"},
        {"--check", "c.json", "a.rb", "t"},
        {"--check"},
        {"-j", "2", "a.rb", "t"},
        {"--junit", "r.xml", "a.rb", "t"},
        {"--check", "c.json", "-j", "0"},
        {"--check", "c.json", "-j65"},
        {"--check", "c.json", "-j", "two"},
        {"--watch", "--list"},
        {"--watch", "--check", "c.json"},
    };
    for (const auto& arguments : bad)
        EXPECT_NE(parse_command_line(arguments).error, "") << testing::PrintToString(arguments);
    // --help and --version stand alone, whatever else is there.
    EXPECT_EQ(parse_command_line({"--help", "extra", "words", "here"}).error, "");
    EXPECT_EQ(parse_command_line({"--version"}).error, "");
}

}  // namespace
