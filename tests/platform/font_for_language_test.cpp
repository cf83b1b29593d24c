#include "platform/font_for_language_posix.h"

#include <gtest/gtest.h>

namespace {

// A Japanese font is among the dependencies; a language no font covers gets none, rather
// than whatever font fontconfig would fall back to.
TEST(font_for_language, names_a_font_only_for_a_language_it_covers) {
    EXPECT_FALSE(platform::font_family_for_language("ja").empty());
    EXPECT_EQ(platform::font_family_for_language("und-zsye-x-none"), "");
    EXPECT_EQ(platform::font_family_for_language(""), "");
}

}  // namespace
