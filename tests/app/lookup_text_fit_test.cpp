#include "app/lookup_text_fit.h"

#include <gtest/gtest.h>

namespace vuro_plugin {
namespace {

TEST(fit_lookup_text, cuts_the_end_of_the_insertion_and_never_half_a_pair) {
    const std::u16string pair = u"\U00020BB7";  // two units
    const struct {
        const char* what;
        std::u16string text;
        std::size_t cursor, capacity;
        std::u16string fitted;
        std::size_t cursor_after;
        bool cut;
    } cases[] = {
        {"fits", u"abc", 3, 5, u"abc", 3, false},
        {"exactly full", u"abcde", 2, 5, u"abcde", 2, false},
        {"paste at the end", u"abcdefg", 7, 5, u"abcde", 5, true},
        {"paste in the middle keeps the text after it", u"abXYZcd", 5, 5, u"abXcd", 3, true},
        {"the cut would split a pair: the whole pair goes", u"ab" + pair, 4, 3, u"ab", 2, true},
        {"a pair at the limit", std::u16string(199, u'a') + pair, 201, 200,
         std::u16string(199, u'a'), 199, true},
        {"a cursor inside a pair", u"a" + pair + u"b", 2, 3, u"ab", 1, true},
        {"a cursor before the excess: the tail goes", u"abcdef", 1, 4, u"abcd", 4, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::u16string text = c.text;
        std::size_t cursor = c.cursor;
        EXPECT_EQ(fit_lookup_text(text, cursor, c.capacity), c.cut);
        EXPECT_TRUE(text == c.fitted);
        EXPECT_EQ(cursor, c.cursor_after);
    }
}

}  // namespace
}  // namespace vuro_plugin
