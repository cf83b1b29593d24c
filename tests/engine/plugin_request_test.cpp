// Texts in and out of the request records, and the bridge arguments made from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "engine/bridge_arguments.h"
#include "utility/text_conversion.h"
#include "utility/url_encoding.h"

namespace {

using namespace vuro_plugin;

// The code units an argument decodes to; the port stays as it is.
std::vector<std::size_t> decoded_sizes(const std::vector<std::u16string>& arguments) {
    std::vector<std::size_t> sizes;
    for (const auto& argument : arguments)
        sizes.push_back(utility::utf8_to_utf16(
                            utility::url_decode(std::string(argument.begin(), argument.end())))
                            .size());
    return sizes;
}

template <std::size_t capacity>
void fill_past_capacity(char16_t (&field)[capacity], std::uint32_t& length) {
    std::fill(std::begin(field), std::end(field), u'\x3042');
    length = 5000;
}

// Heap records: a read past the end is caught by the sanitizer, the sizes by the test.
TEST(plugin_request_test, lengths_past_a_field_read_the_field_only) {
    auto processing = std::make_unique<processing_request>();
    fill_past_capacity(processing->composition_text, processing->composition_length);
    fill_past_capacity(processing->reading_text, processing->reading_length);
    fill_past_capacity(processing->proxy_address, processing->proxy_address_length);
    fill_past_capacity(processing->proxy_username, processing->proxy_username_length);
    fill_past_capacity(processing->proxy_password, processing->proxy_password_length);
    processing->proxy_port = 65535;
    EXPECT_EQ(decoded_sizes(processing_arguments(*processing)),
              (std::vector<std::size_t>{200, 200, 513, 5, 100, 100}));

    auto callback = std::make_unique<callback_request>();
    fill_past_capacity(callback->candidate_text, callback->candidate_length);
    fill_past_capacity(callback->composition_text, callback->composition_length);
    fill_past_capacity(callback->proxy_address, callback->proxy_address_length);
    fill_past_capacity(callback->proxy_username, callback->proxy_username_length);
    fill_past_capacity(callback->proxy_password, callback->proxy_password_length);
    callback->proxy_port = -8080;
    const auto arguments = callback_arguments(*callback);
    EXPECT_EQ(decoded_sizes(arguments), (std::vector<std::size_t>{200, 200, 512, 5, 100, 100}));
    EXPECT_EQ(arguments[3], u"-8080");
}

TEST(plugin_request_test, texts_are_cut_to_their_field_without_splitting_a_pair) {
    struct assign_case {
        std::u16string text;
        std::u16string stored;
        bool whole;
    };
    const std::u16string pair = u"\xD842\xDFB7";
    const assign_case cases[] = {
        {u"abcd", u"abcd", true},
        {u"abcde", u"abcd", false},
        {u"abc" + pair, u"abc", false},
        {u"ab" + pair + u"c", u"ab" + pair, false},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(utility::utf16_to_utf8(each.text));
        char16_t field[4] = {u'z', u'z', u'z', u'z'};
        std::uint32_t length = 99;
        EXPECT_EQ(assign_request_text(field, length, each.text), each.whole);
        EXPECT_EQ(request_text(field, length), each.stored);
    }
}

}  // namespace
