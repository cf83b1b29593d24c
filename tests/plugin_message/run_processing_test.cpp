#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "plugin_message/vuro_plugin_message_run_processing.h"

namespace {

using message = vuro_plugin_message_run_processing;
using units = std::vector<unsigned short>;

units u(const std::u16string& text) { return units(text.begin(), text.end()); }
units repeat(unsigned short unit, std::size_t count) { return units(count, unit); }
unsigned int n(const units& text) { return static_cast<unsigned int>(text.size()); }

// Reads a value the way a host does: size, then a buffer of exactly that size (the
// sanitizer build catches any write past it).
std::u16string read(const message& m, unsigned int (message::*size)() const,
                    bool (message::*get)(unsigned short*, unsigned int) const) {
    const unsigned int length = (m.*size)();
    auto buffer = std::make_unique<unsigned short[]>(length);
    EXPECT_TRUE((m.*get)(buffer.get(), length));
    return std::u16string(buffer.get(), buffer.get() + length);
}

std::u16string hyoki(const message& m, unsigned int index) {
    const unsigned int length = m.get_size_candidate_hyoki(index);
    auto buffer = std::make_unique<unsigned short[]>(length);
    EXPECT_TRUE(m.get_candidate_hyoki(index, buffer.get(), length));
    return std::u16string(buffer.get(), buffer.get() + length);
}

std::u16string comment(const message& m, unsigned int index) {
    const unsigned int length = m.get_size_candidate_comment(index);
    auto buffer = std::make_unique<unsigned short[]>(length);
    EXPECT_TRUE(m.get_candidate_comment(index, buffer.get(), length));
    return std::u16string(buffer.get(), buffer.get() + length);
}

std::u16string converted(const std::u16string& input) {
    message m;
    const units text = u(input);
    EXPECT_EQ(m.add_candidate_comment(text.data(), n(text)), 0);
    return comment(m, 0);
}

TEST(run_processing_test, return_type_follows_what_is_stored) {
    const units one = u(u"x");
    {
        message m;
        EXPECT_EQ(m.get_return_type(), 2);
        EXPECT_EQ(m.set_text_url(one.data(), 1), 0);
        EXPECT_EQ(m.set_text_url_description(one.data(), 1), 0);
        EXPECT_EQ(m.get_return_type(), 2);  // a URL alone is no result
        EXPECT_EQ(m.set_tooltip(one.data(), 1), 0);
        EXPECT_EQ(m.get_return_type(), 0);
        EXPECT_EQ(m.set_error(nullptr, 0, nullptr, 0), 0);
        EXPECT_EQ(m.get_return_type(), 1);  // even with both texts empty
    }
    {
        message m;
        EXPECT_EQ(m.set_text(one.data(), 1), 0);
        EXPECT_EQ(m.get_return_type(), 0);
        EXPECT_EQ(m.set_text(one.data(), 0), 0);  // replaced by an empty text
        EXPECT_EQ(m.get_return_type(), 2);
    }
    for (int list = 0; list < 3; ++list) {
        message m;
        const int code = list == 0   ? m.add_candidate_hyoki(one.data(), 1)
                         : list == 1 ? m.add_candidate_comment(one.data(), 1)
                                     : m.add_candidate_alternative(one.data(), 1, 0);
        EXPECT_EQ(code, 0);
        EXPECT_EQ(m.get_return_type(), 0) << "list " << list;
    }
}

TEST(run_processing_test, each_list_holds_100_entries_and_checks_fullness_first) {
    message m;
    const units text = u(u"entry");
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(m.add_candidate_hyoki(text.data(), n(text)), 0);
        ASSERT_EQ(m.add_candidate_comment(text.data(), n(text)), 0);
        ASSERT_EQ(m.add_candidate_alternative(text.data(), n(text), i % 2), 0);
    }
    EXPECT_EQ(m.add_candidate_hyoki(text.data(), n(text)), 4);
    EXPECT_EQ(m.add_candidate_comment(text.data(), n(text)), 4);
    EXPECT_EQ(m.add_candidate_alternative(text.data(), n(text), 0), 4);
    // Fullness is reported before the type or the length is looked at.
    EXPECT_EQ(m.add_candidate_alternative(text.data(), n(text), 2), 4);
    const units long_url = repeat(u'u', 600);
    EXPECT_EQ(m.add_candidate_alternative(long_url.data(), n(long_url), 1), 4);
    EXPECT_EQ(m.get_count_candidate_hyoki(), 100u);
    EXPECT_EQ(m.get_count_candidate_comment(), 100u);
    EXPECT_EQ(m.get_count_candidate_alternative(), 100u);
    EXPECT_EQ(hyoki(m, 99), u"entry");
}

TEST(run_processing_test, texts_are_cut_to_their_limits) {
    message m;
    const units long_text = repeat(u'a', 2000);
    EXPECT_EQ(m.set_text(long_text.data(), n(long_text)), 0);
    EXPECT_EQ(m.get_size_text(), 1024u);
    EXPECT_EQ(m.set_tooltip(long_text.data(), n(long_text)), 0);
    EXPECT_EQ(m.get_size_tooltip(), 512u);
    EXPECT_EQ(m.set_text_url_description(long_text.data(), n(long_text)), 0);
    EXPECT_EQ(m.get_size_text_url_description(), 100u);
    EXPECT_EQ(m.add_candidate_hyoki(long_text.data(), n(long_text)), 0);
    EXPECT_EQ(m.get_size_candidate_hyoki(0), 100u);
    EXPECT_EQ(m.add_candidate_comment(long_text.data(), n(long_text)), 0);
    EXPECT_EQ(m.get_size_candidate_comment(0), 1024u);
    EXPECT_EQ(read(m, &message::get_size_text, &message::get_text), std::u16string(1024, u'a'));
}

TEST(run_processing_test, comment_is_cut_before_conversion_so_its_fragment_may_be_longer) {
    message m;
    units text = repeat(u'<', 1030);
    EXPECT_EQ(m.add_candidate_comment(text.data(), n(text)), 0);
    EXPECT_EQ(m.get_size_candidate_comment(0), 1024u * 4);  // 1024 times "&lt;"
}

TEST(run_processing_test, url_over_512_is_refused_and_the_old_one_kept) {
    message m;
    const units first = u(u"https://example.com/");
    EXPECT_EQ(m.set_text_url(first.data(), n(first)), 0);
    const units too_long = repeat(u'u', 513);
    EXPECT_EQ(m.set_text_url(too_long.data(), n(too_long)), 5);
    EXPECT_EQ(read(m, &message::get_size_text_url, &message::get_text_url),
              u"https://example.com/");
    const units longest = repeat(u'v', 512);
    EXPECT_EQ(m.set_text_url(longest.data(), n(longest)), 0);
    EXPECT_EQ(m.get_size_text_url(), 512u);
}

TEST(run_processing_test, alternative_types_decide_cut_or_refusal) {
    message m;
    const units long_text = repeat(u'w', 600);
    EXPECT_EQ(m.add_candidate_alternative(long_text.data(), n(long_text), 0), 0);
    EXPECT_EQ(m.add_candidate_alternative(long_text.data(), n(long_text), 1), 5);
    EXPECT_EQ(m.add_candidate_alternative(long_text.data(), 512, 1), 0);
    EXPECT_EQ(m.add_candidate_alternative(long_text.data(), 3, 2), 2);
    EXPECT_EQ(m.add_candidate_alternative(long_text.data(), 3, -1), 2);
    ASSERT_EQ(m.get_count_candidate_alternative(), 2u);

    EXPECT_EQ(m.get_size_candidate_alternative(0), 512u);
    std::vector<unsigned short> buffer(512);
    int type = -7;
    EXPECT_TRUE(m.get_candidate_alternative(1, buffer.data(), 512, type));
    EXPECT_EQ(type, 1);
    EXPECT_TRUE(m.get_candidate_alternative(0, buffer.data(), 512, type));
    EXPECT_EQ(type, 0);
    type = -7;
    EXPECT_FALSE(m.get_candidate_alternative(0, buffer.data(), 511, type));
    EXPECT_FALSE(m.get_candidate_alternative(2, buffer.data(), 512, type));
    EXPECT_EQ(type, -7);  // untouched on failure
}

TEST(run_processing_test, error_texts_have_independent_caps_and_the_flag_survives_failure) {
    message m;
    const units on = repeat(u'e', 70);
    const units off = repeat(u'f', 2000);
    EXPECT_EQ(m.set_error(on.data(), n(on), off.data(), n(off)), 0);
    EXPECT_EQ(m.get_size_error_notify_on(), 64u);
    EXPECT_EQ(m.get_size_error_notify_off(), 1024u);
    EXPECT_EQ(read(m, &message::get_size_error_notify_on, &message::get_error_notify_on),
              std::u16string(64, u'e'));

    // A failure while storing (here a null text with a length, which cannot be read)
    // gives 2, keeps both old texts, and leaves the flag set.
    message fresh;
    const units kept = u(u"kept");
    EXPECT_EQ(fresh.set_error(kept.data(), n(kept), nullptr, 5), 2);
    EXPECT_EQ(fresh.get_return_type(), 1);
    EXPECT_EQ(fresh.get_size_error_notify_on(), 0u);

    message stored;
    ASSERT_EQ(stored.set_error(kept.data(), n(kept), kept.data(), n(kept)), 0);
    EXPECT_EQ(stored.set_error(nullptr, 3, on.data(), n(on)), 2);
    EXPECT_EQ(read(stored, &message::get_size_error_notify_on, &message::get_error_notify_on),
              u"kept");
    EXPECT_EQ(read(stored, &message::get_size_error_notify_off, &message::get_error_notify_off),
              u"kept");
}

TEST(run_processing_test, a_null_text_with_a_length_is_refused_everywhere) {
    message m;
    const units text = u(u"old");
    ASSERT_EQ(m.set_text(text.data(), n(text)), 0);
    EXPECT_EQ(m.set_text(nullptr, 4), 2);
    EXPECT_EQ(m.set_text_url(nullptr, 4), 2);
    EXPECT_EQ(m.set_text_url_description(nullptr, 4), 2);
    EXPECT_EQ(m.set_tooltip(nullptr, 4), 2);
    EXPECT_EQ(m.add_candidate_hyoki(nullptr, 4), 2);
    EXPECT_EQ(m.add_candidate_comment(nullptr, 4), 2);
    EXPECT_EQ(m.add_candidate_alternative(nullptr, 4, 0), 2);
    EXPECT_EQ(read(m, &message::get_size_text, &message::get_text), u"old");
    EXPECT_EQ(m.get_count_candidate_hyoki() + m.get_count_candidate_comment() +
                  m.get_count_candidate_alternative(),
              0u);
    EXPECT_EQ(m.set_text(nullptr, 0), 0);  // nothing to read: an empty text
    EXPECT_EQ(m.get_size_text(), 0u);
}

TEST(run_processing_test, a_nul_inside_the_given_range_ends_the_value) {
    message m;
    units text = u(u"abcdefghij");
    text[3] = 0;
    EXPECT_EQ(m.set_text(text.data(), n(text)), 0);
    EXPECT_EQ(m.get_size_text(), 3u);
    EXPECT_EQ(m.add_candidate_hyoki(text.data(), n(text)), 0);
    EXPECT_EQ(hyoki(m, 0), u"abc");
    EXPECT_EQ(m.add_candidate_alternative(text.data(), n(text), 1), 0);
    EXPECT_EQ(m.get_size_candidate_alternative(0), 3u);
    text[0] = 0;
    EXPECT_EQ(m.set_tooltip(text.data(), n(text)), 0);
    EXPECT_EQ(m.get_size_tooltip(), 0u);
}

TEST(run_processing_test, getters_write_exactly_the_stored_length_or_nothing) {
    message m;
    const units text = u(u"hello");
    ASSERT_EQ(m.set_text(text.data(), n(text)), 0);
    std::vector<unsigned short> buffer(8, 0xBEEF);
    EXPECT_FALSE(m.get_text(buffer.data(), 4));
    EXPECT_EQ(buffer, units(8, 0xBEEF));  // nothing written on failure
    EXPECT_TRUE(m.get_text(buffer.data(), 5));
    EXPECT_EQ(units(buffer.begin(), buffer.begin() + 5), text);
    EXPECT_EQ(buffer[5], 0xBEEF);  // no terminator
    EXPECT_TRUE(m.get_text(buffer.data(), 8));
    EXPECT_EQ(buffer[5], 0xBEEF);

    // Empty values: true without touching the buffer, even a null one.
    EXPECT_TRUE(m.get_tooltip(nullptr, 0));
    EXPECT_TRUE(m.get_text_url(buffer.data(), 0));

    ASSERT_EQ(m.add_candidate_hyoki(text.data(), n(text)), 0);
    std::fill(buffer.begin(), buffer.end(), 0xBEEF);
    EXPECT_FALSE(m.get_candidate_hyoki(0, buffer.data(), 4));
    EXPECT_EQ(buffer, units(8, 0xBEEF));
    EXPECT_TRUE(m.get_candidate_hyoki(0, buffer.data(), 5));
    EXPECT_EQ(buffer[5], 0xBEEF);
}

TEST(run_processing_test, missing_candidates_report_no_size_and_no_copy) {
    message m;
    const units text = u(u"c");
    ASSERT_EQ(m.add_candidate_comment(text.data(), 1), 0);
    ASSERT_EQ(m.add_candidate_comment(text.data(), 1), 0);
    EXPECT_EQ(m.get_size_candidate_comment(5), 0xFFFFFFFFu);
    EXPECT_EQ(m.get_size_candidate_comment(2), 0xFFFFFFFFu);
    EXPECT_EQ(m.get_size_candidate_hyoki(0), 0xFFFFFFFFu);
    EXPECT_EQ(m.get_size_candidate_alternative(0), 0xFFFFFFFFu);
    unsigned short buffer[4] = {};
    EXPECT_FALSE(m.get_candidate_comment(2, buffer, 4));
    EXPECT_FALSE(m.get_candidate_hyoki(0, buffer, 4));
    EXPECT_TRUE(m.get_candidate_comment(1, buffer, 4));
}

TEST(run_processing_test, setters_replace_and_adders_append_in_order) {
    message m;
    const units first = u(u"first"), second = u(u"2nd");
    ASSERT_EQ(m.set_text(first.data(), n(first)), 0);
    ASSERT_EQ(m.set_text(second.data(), n(second)), 0);
    EXPECT_EQ(read(m, &message::get_size_text, &message::get_text), u"2nd");
    ASSERT_EQ(m.add_candidate_hyoki(first.data(), n(first)), 0);
    ASSERT_EQ(m.add_candidate_hyoki(second.data(), n(second)), 0);
    EXPECT_EQ(hyoki(m, 0), u"first");
    EXPECT_EQ(hyoki(m, 1), u"2nd");
}

TEST(run_processing_test, comments_become_html_fragments) {
    EXPECT_EQ(converted(u"a<b\\n"), u"a&lt;b<br />");
    EXPECT_EQ(converted(u"one\ntwo"), u"one<br />two");
    EXPECT_EQ(converted(u"x \\ny"), u"x<br />y");
    EXPECT_EQ(converted(u"\x1b\x05"
                        u"W\\nV"),
              u"<font color=\"#ff0000\">W</font><br />V");
    EXPECT_EQ(converted(u"a\x1b\x04"
                        u"b\x1b\x04"),
              u"ab");
    // An ampersand, even of an entity, is escaped exactly once; quotes and apostrophes
    // become entities.
    EXPECT_EQ(converted(u"&amp; \"q\" 'a' >"), u"&amp;amp; &quot;q&quot; &apos;a&apos; &gt;");
    // A carriage return stays; a marker without its closing "\n" stays as it is.
    EXPECT_EQ(converted(u"a\rb"), u"a\rb");
    EXPECT_EQ(converted(u"\x1b\x05open"), u"\x1b\x05open");
    // Several marked segments in order, with text between them.
    EXPECT_EQ(converted(u"\x1b\x05"
                        u"A\\n-\x1b\x05"
                        u"B\\nend"),
              u"<font color=\"#ff0000\">A</font><br />-<font color=\"#ff0000\">B</font>"
              u"<br />end");
    // The marked text is escaped too, and an empty segment still gets its font tags.
    EXPECT_EQ(converted(u"\x1b\x05<\\n\x1b\x05\\n"),
              u"<font color=\"#ff0000\">&lt;</font><br /><font color=\"#ff0000\"></font>"
              u"<br />");
    // A blank before the closing marker stays inside the red text.
    EXPECT_EQ(converted(u"\x1b\x05red \\n"), u"<font color=\"#ff0000\">red </font><br />");
}

}  // namespace
