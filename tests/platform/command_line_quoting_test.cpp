#include <gtest/gtest.h>

#include "platform/command_line_quoting.h"

namespace {

using platform::quote_command_line;

TEST(CommandLineQuoting, EachArgumentIsQuotedSoTheRuntimeReadsItBackUnchanged) {
    const struct {
        std::u16string argument;
        std::u16string written;
    } cases[] = {
        {u"syntax_check", u"\"syntax_check\""},
        {u"", u"\"\""},
        {u"two words", u"\"two words\""},
        {u"a \"quoted\" text", u"\"a \\\"quoted\\\" text\""},
        {u"C:\\p\\a b.rb", u"\"C:\\p\\a b.rb\""},  // inner backslashes stay single
        {u"ends in \\", u"\"ends in \\\\\""},      // doubled before the closing quote
        {u"\\\\server\\share\\\\", u"\"\\\\server\\share\\\\\\\\\""},
        {u"\\\"", u"\"\\\\\\\"\""},  // backslash then quote: 3 + quote
        {u"tab\there", u"\"tab\there\""},
        {u"\u8f9e\u66f8", u"\"\u8f9e\u66f8\""},
    };
    for (const auto& [argument, written] : cases)
        EXPECT_EQ(quote_command_line({u"ruby", argument}), u"ruby " + written)
            << std::string(argument.begin(), argument.end());
}

TEST(CommandLineQuoting, TheProgramIsQuotedOnlyForABlankAndNeverEscaped) {
    EXPECT_EQ(quote_command_line({u"ruby"}), u"ruby");
    EXPECT_EQ(quote_command_line({u"C:\\Program Files\\ruby.exe", u"x"}),
              u"\"C:\\Program Files\\ruby.exe\" \"x\"");
    EXPECT_EQ(quote_command_line({u"C:\\tools\\"}), u"C:\\tools\\");
    EXPECT_EQ(quote_command_line({}), u"");
}

}  // namespace
