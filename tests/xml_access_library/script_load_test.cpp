#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "utility/text_conversion.h"
#include "xml_access_library/script_load.h"
#include "xml_access_library/xml_errors.h"

namespace {

using xml_access_library::script_candidate_data;
using xml_access_library::script_load;

std::string items(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<items>" + body + "</items>\n";
}

std::string candidate(const std::string& children) {
    return "<item type=\"script_candidate\">" + children + "</item>";
}

std::vector<script_candidate_data> parsed(const std::string& text) {
    script_load load(text);
    EXPECT_TRUE(load.parse()) << text.substr(0, 200);
    return load.get_candidate_list();
}

TEST(ScriptLoad, ReadsEveryField) {
    const auto list =
        parsed(items(candidate("<title> 今日 </title><comment>&lt;b&gt;bold&lt;/b&gt;</comment>"
                               "<alternative type=\"definite_string\">alt</alternative>"
                               "<alternative_alias>alias</alternative_alias><info>i</info>")));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].title, u" 今日 ");
    EXPECT_EQ(list[0].comment, u"<b>bold</b>");
    EXPECT_EQ(list[0].alternative, u"alt");
    EXPECT_EQ(list[0].alternative_type, u"definite_string");
    EXPECT_EQ(list[0].alternative_alias, u"alias");
    EXPECT_EQ(list[0].info, u"i");
}

TEST(ScriptLoad, DocumentWithoutItemsGivesAnEmptyList) {
    EXPECT_TRUE(parsed(items("<other/>")).empty());
    EXPECT_TRUE(parsed("<item type=\"script_candidate\"><title>root</title></item>").empty());
}

TEST(ScriptLoad, ReadsItemsAtAnyDepthAndSkipsOtherTypes) {
    const auto list = parsed(items(
        candidate("<title>1</title>") + "<group>" + candidate("<title>2</title>") +
        "<item type=\"Script_Candidate\"><title>x</title></item><item><title>y</title></item>" +
        "<item type=\"script_candidate \"><title>z</title></item>" + "<deeper>" +
        candidate("<title>3</title>") + "</deeper></group>" +
        candidate("<title>4</title>" + candidate("<title>5</title>"))));
    ASSERT_EQ(list.size(), 5u);
    // Item 5 nests inside item 4: both are read, and 4's title is its own child's text only.
    for (std::size_t index = 0; index < 5; ++index)
        EXPECT_EQ(list[index].title, std::u16string(1, char16_t(u'1' + index)));
}

TEST(ScriptLoad, KeepsAtMost101Records) {
    std::string body;
    for (int index = 0; index < 150; ++index)
        body += candidate("<title>" + std::to_string(index) + "</title>");
    const auto list = parsed(items(body));
    ASSERT_EQ(list.size(), 101u);
    EXPECT_EQ(list.front().title, u"0");
    EXPECT_EQ(list.back().title, u"100");
}

TEST(ScriptLoad, AlternativeTypes) {
    const std::string long_text(600, 'u');
    const auto list = parsed(items(
        candidate("<alternative type=\"url_jump_string\">" + long_text + "</alternative>") +
        candidate("<alternative type=\"research_function\">ignored</alternative>") +
        candidate("<alternative type=\"callbackonly_function\">ignored</alternative>") +
        candidate("<alternative type=\"DEFINITE_STRING\">x</alternative>") +
        candidate("<alternative>no type</alternative>") +
        candidate("<group><alternative type=\"definite_string\">nested</alternative></group>") +
        candidate("<alternative type=\"definite_string\"> a <b>b</b> </alternative>"
                  "<alternative type=\"url_jump_string\">second</alternative>")));
    ASSERT_EQ(list.size(), 7u);
    EXPECT_EQ(list[0].alternative_type, u"url_jump_string");
    EXPECT_EQ(list[0].alternative, std::u16string(512, u'u'));
    EXPECT_EQ(list[1].alternative_type, u"research_function");
    EXPECT_EQ(list[1].alternative, u"");
    EXPECT_EQ(list[2].alternative_type, u"callbackonly_function");
    EXPECT_EQ(list[2].alternative, u"");
    for (std::size_t index : {3u, 4u, 5u}) {
        EXPECT_EQ(list[index].alternative_type, u"") << index;
        EXPECT_EQ(list[index].alternative, u"") << index;
    }
    EXPECT_EQ(list[6].alternative_type, u"definite_string");
    EXPECT_EQ(list[6].alternative, u" a b ");
}

TEST(ScriptLoad, TextsAreCutToTheirCaps) {
    const std::u16string wide_comment = std::u16string(10239, u'c') + u"\U0001F600";
    const auto list =
        parsed(items(candidate("<title>" + std::string(101, 't') + "</title><comment>" +
                               std::string(20000, 'c') + "</comment><alternative_alias>" +
                               std::string(150, 'a') + "</alternative_alias><info>" +
                               std::string(65, 'i') + "</info>") +
                     candidate("<comment>" + utility::utf16_to_utf8(wide_comment) +
                               "</comment><info>" + std::string(64, 'i') + "</info>")));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].title, std::u16string(100, u't'));
    EXPECT_EQ(list[0].comment, std::u16string(10240, u'c'));
    EXPECT_EQ(list[0].alternative_alias, std::u16string(100, u'a'));
    EXPECT_EQ(list[0].info, std::u16string(64, u'i'));
    EXPECT_EQ(list[1].comment, wide_comment.substr(0, 10240));
    EXPECT_EQ(list[1].info, std::u16string(64, u'i'));
}

TEST(ScriptLoad, ParsesOnce) {
    script_load load(items(candidate("<title>a</title>")));
    ASSERT_TRUE(load.parse());
    EXPECT_FALSE(load.parse());
    ASSERT_EQ(load.get_candidate_list().size(), 1u);
    EXPECT_EQ(load.get_candidate_list()[0].title, u"a");
}

TEST(ScriptLoad, NotWellFormedGivesFalseAndAnEmptyList) {
    script_load load(items(candidate("<title>a</title>")) + "<trailing>");
    EXPECT_FALSE(load.parse());
    EXPECT_TRUE(load.get_candidate_list().empty());
    EXPECT_EQ(load.get_diagnostic().rfind(u"At line ", 0), 0u);
    EXPECT_TRUE(script_load("<r/>").get_candidate_list().empty());
}

TEST(ScriptLoad, ReadsADocumentOfExactlyTheSizeLimit) {
    const std::string tail = candidate("<title>last</title>") + "</items>\n";
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<items>";
    // Padding in elements of about 1 MB: libxml2 refuses single texts over 10,000,000 bytes.
    while (text.size() + tail.size() < 10485760) {
        const std::size_t room = 10485760 - text.size() - tail.size() - std::strlen("<p></p>");
        text += "<p>" + std::string(std::min<std::size_t>(room, 1000000), 'x') + "</p>";
    }
    text += tail;
    ASSERT_EQ(text.size(), 10485760u);
    const auto list = parsed(text);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].title, u"last");
}

// Callers tell the size limit apart by its type (its text is the empty text's).
TEST(ScriptLoad, ConstructorRefusesEmptyAndOversizedTexts) {
    try {
        script_load empty("");
        ADD_FAILURE() << "an empty text was taken";
    } catch (const xml_access_library::document_too_large&) {
        ADD_FAILURE() << "an empty text is not too large";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "xml_access_utility_impl::impl() : failed");
    }
    try {
        script_load oversized(std::string(10485761, ' '));
        ADD_FAILURE() << "an oversized text was taken";
    } catch (const xml_access_library::document_too_large& error) {
        EXPECT_STREQ(error.what(), "xml_access_utility_impl::impl() : failed");
    }
}

}  // namespace
