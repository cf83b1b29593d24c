#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "utility/text_conversion.h"
#include "xml_access_library/xml_access_utility.h"

namespace {

using namespace xml_access_library;
using namespace xml_access_library::xml_access_utility;

element_ref root_of(const std::string& text) {
    xml_access_utility_impl source(text);
    return get_root_node(source);
}

std::string message_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no exception";
}

const std::string source_failure = "xml_access_utility_impl::impl() : failed";
const std::string root_failure = "xml_access_utility::get_root_node() : failed";

TEST(XmlSource, SizeLimitIsInclusive) {
    std::string text = "<r>";
    text.resize(xml_access_utility_impl::max_text_size - 4, ' ');
    text += "</r>";
    ASSERT_EQ(text.size(), 10485760u);
    xml_access_utility_impl source(text);
    EXPECT_EQ(source.read_rest().size(), 10485760u);

    text.insert(3, " ");
    EXPECT_EQ(message_of([&] { xml_access_utility_impl too_long(text); }), source_failure);
}

TEST(XmlSource, EmptyTextIsRefused) {
    EXPECT_EQ(message_of([] { xml_access_utility_impl empty(""); }), source_failure);
}

TEST(XmlSource, KeepsAnExactCopyReadOnce) {
    const std::string text("<r>\0\xFF</r>", 8);
    xml_access_utility_impl source(text);
    EXPECT_EQ(source.read_rest(), text);
    EXPECT_EQ(source.read_rest(), "");
}

TEST(GetRootNode, ReturnsTheDocumentElementWhateverItsName) {
    const element_ref root =
        root_of("<?xml version=\"1.0\"?><!-- c --><anything a=\"1\">x</anything>");
    ASSERT_TRUE(root);
    EXPECT_TRUE(check_attribute_value(root, u"a", u"1"));
}

TEST(GetRootNode, NotWellFormedFailsWithTheFixedTextAndKeepsADiagnostic) {
    for (const char* text : {"<r><a></r>", "plain text", "<r/><r/>", "<r>&undefined;</r>",
                             "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>\xFF</r>"}) {
        xml_access_utility_impl source(text);
        EXPECT_EQ(message_of([&] { get_root_node(source); }), root_failure) << text;
        EXPECT_EQ(source.diagnostic().rfind(u"At line 1\n", 0), 0u) << text;
        EXPECT_GT(source.diagnostic().size(), 10u) << text;
    }
    xml_access_utility_impl source("<r>\n\n<a></b></r>");
    EXPECT_THROW(get_root_node(source), std::runtime_error);
    EXPECT_EQ(source.diagnostic().rfind(u"At line 3\n", 0), 0u);
}

TEST(GetRootNode, SecondLoadFromTheSameSourceFails) {
    xml_access_utility_impl source("<r/>");
    EXPECT_TRUE(get_root_node(source));
    EXPECT_EQ(message_of([&] { get_root_node(source); }), root_failure);
}

TEST(GetRootNode, NodesOutliveTheirSource) {
    element_ref title;
    {
        xml_access_utility_impl source("<r><title>kept</title></r>");
        title = get_node_by_name_tag(u"title", get_root_node(source));
    }
    EXPECT_EQ(get_node_text(title), u"kept");
}

TEST(GetRootNode, ReadsTheDeclaredEncoding) {
    // 日本 ～ \ in code page 932.
    const element_ref sjis = root_of(
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r>\x93\xFA\x96\x7B\x81\x60\x5C</r>");
    EXPECT_EQ(get_node_text(sjis), u"日本～\\");

    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>"))
        utf16 += std::string{c, '\0'};
    utf16 += std::string("\xE5\x65", 2);  // 日
    for (char c : std::string("</r>")) utf16 += std::string{c, '\0'};
    EXPECT_EQ(get_node_text(root_of(utf16)), u"日");

    EXPECT_EQ(get_node_text(root_of("\xEF\xBB\xBF<r>\xE6\x97\xA5</r>")), u"日");
}

// `text` (BMP only) in code units of `unit_size` bytes, byte-order mark first.
std::string wide_with_mark(const std::u16string& text, int unit_size, bool big_endian) {
    std::string bytes;
    for (const char16_t unit : u"\uFEFF" + text) {
        for (int index = 0; index < unit_size; ++index) {
            const int shift = 8 * (big_endian ? unit_size - 1 - index : index);
            bytes += static_cast<char>(shift < 16 ? (unit >> shift) & 0xFF : 0);
        }
    }
    return bytes;
}

TEST(GetRootNode, AByteOrderMarkWinsOverTheDeclaredEncoding) {
    for (const char16_t* declared : {u"Shift_JIS", u"UTF-8", u"UTF-16", u"ISO-8859-1"}) {
        const std::u16string text =
            u"<?xml version=\"1.0\" encoding=\"" + std::u16string(declared) + u"\"?><r>日本</r>";
        const std::string documents[] = {
            "\xEF\xBB\xBF" + utility::utf16_to_utf8(text),
            wide_with_mark(text, 2, false),
            wide_with_mark(text, 2, true),
            wide_with_mark(text, 4, true),
        };
        for (const std::string& document : documents) {
            std::u16string result;
            EXPECT_EQ(message_of([&] { result = get_node_text(root_of(document)); }),
                      "no exception")
                << utility::utf16_to_utf8(declared) << " with mark of " << document.size();
            EXPECT_EQ(result, u"日本");
        }
    }
}

TEST(GetRootNode, AZeroCharacterIsNotWellFormed) {
    const std::string documents[] = {
        std::string("<r>ok</r>\0<<<garbage", 20),
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r>\n\n\x93\xFA" + std::string(1, '\0') +
            "</r>",
        wide_with_mark(u"<r>\n\n\u3042", 2, false) + std::string(2, '\0') + "<\0/\0r\0>\0",
    };
    for (const std::string& document : documents) {
        xml_access_utility_impl source(document);
        EXPECT_EQ(message_of([&] { get_root_node(source); }), root_failure);
        const int line = document.find('\n') == std::string::npos ? 1 : 3;
        EXPECT_EQ(source.diagnostic().rfind(
                      u"At line " + utility::utf8_to_utf16(std::to_string(line)) + u"\n", 0),
                  0u)
            << utility::utf16_to_utf8(source.diagnostic());
    }
    // Zero bytes of two neighbouring UTF-16 units ("A" then U+4E00) are no zero character.
    EXPECT_EQ(get_node_text(root_of(wide_with_mark(u"<r>A一</r>", 2, false))), u"A一");
}

const char* const tree =
    "<root><item id=\"1\"><item id=\"2\"/></item>"
    "<group><item id=\"3\"><deep><item id=\"4\"/></deep></item></group>"
    "<p:item id=\"5\" xmlns:p=\"urn:p\"/><items id=\"6\"/></root>";

TEST(GetNodeListByNameTag, FindsDescendantsAtAnyDepthInDocumentOrder) {
    const element_ref root = root_of(tree);
    const node_list_ref items = get_node_list_by_name_tag(u"item", root);
    ASSERT_EQ(items->length(), 4);
    for (int index = 0; index < 4; ++index) {
        const std::u16string id(1, char16_t(u'1' + index));
        EXPECT_TRUE(check_attribute_value(get_node_by_node_list(items, index), u"id", id));
    }
    EXPECT_EQ(get_node_list_by_name_tag(u"p:item", root)->length(), 1);
}

TEST(GetNodeListByNameTag, NeverIncludesTheElementItself) {
    const element_ref root = root_of(tree);
    EXPECT_EQ(get_node_list_by_name_tag(u"root", root)->length(), 0);
    const element_ref first = get_node_by_node_list(get_node_list_by_name_tag(u"item", root), 0);
    const node_list_ref below = get_node_list_by_name_tag(u"item", first);
    ASSERT_EQ(below->length(), 1);
    EXPECT_TRUE(check_attribute_value(get_node_by_node_list(below, 0), u"id", u"2"));
    EXPECT_EQ(get_node_list_by_name_tag(u"Item", root)->length(), 0);
}

TEST(GetNodeByNodeList, IndexOutOfRangeFails) {
    const node_list_ref items = get_node_list_by_name_tag(u"item", root_of(tree));
    const std::string failure = "xml_access_utility::get_node_by_node_list() : failed";
    EXPECT_EQ(message_of([&] { get_node_by_node_list(items, 4); }), failure);
    EXPECT_EQ(message_of([&] { get_node_by_node_list(items, -1); }), failure);
}

TEST(GetNodeByNameTag, FindsOnlyChildrenAndTheFirstOfThem) {
    const element_ref root = root_of(
        "<r><wrap><title>nested</title></wrap><title>first</title><title>second</title></r>");
    EXPECT_EQ(get_node_text(get_node_by_name_tag(u"title", root)), u"first");
    EXPECT_FALSE(get_node_by_name_tag(u"missing", root));
    EXPECT_FALSE(get_node_by_name_tag(u"Title", root));
    const element_ref wrap = get_node_by_name_tag(u"wrap", root);
    EXPECT_EQ(get_node_text(get_node_by_name_tag(u"title", wrap)), u"nested");
}

TEST(GetNodeText, KeepsWhiteSpaceAndJoinsDescendants) {
    const element_ref root = root_of(
        "<r><a>\n  two words \t\r\n</a>"
        "<b>x<i>y</i><![CDATA[<z> & ]]><!-- no --><?pi no?>&amp;&#x65E5;</b><c/></r>");
    EXPECT_EQ(get_node_text(get_node_by_name_tag(u"a", root)), u"\n  two words \t\n");
    EXPECT_EQ(get_node_text(get_node_by_name_tag(u"b", root)), u"xy<z> & &日");
    EXPECT_EQ(get_node_text(get_node_by_name_tag(u"c", root)), u"");
}

TEST(GetNodeText, CappedFormIsAPrefixOfTheWholeText) {
    const element_ref root =
        root_of("<r><a>ab<i>\xF0\x9D\x84\x9E</i>cd</a><b>" + std::string(60, 'x') +
                "<![CDATA[\xE6\x97\xA5]]>"
                "\xE6\x97\xA5\xE6\x97\xA5</b><c>\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5</c></r>");
    for (const char16_t* name : {u"a", u"b", u"c"}) {
        const element_ref node = get_node_by_name_tag(name, root);
        const std::u16string whole = get_node_text(node);
        for (std::size_t limit : {0u, 1u, 2u, 3u, 4u, 61u, 62u, 100u})
            EXPECT_EQ(get_node_text(node, limit), whole.substr(0, limit)) << limit;
    }
    EXPECT_EQ(get_node_text(get_node_by_name_tag(u"a", root), 3), std::u16string(u"ab\xD834", 3));
}

TEST(GetNodeText, ExpandsInternalEntities) {
    const element_ref root = root_of(
        "<!DOCTYPE r [<!ENTITY who \"<b>Ada</b> &amp; co\"><!ENTITY twice \"&who;+&who;\">"
        "<!ENTITY sc \"script_candidate\">]>"
        "<r><a>by &twice;</a><i type=\"&sc;\"/></r>");
    EXPECT_EQ(get_node_text(get_node_by_name_tag(u"a", root)), u"by Ada & co+Ada & co");
    EXPECT_TRUE(
        check_attribute_value(get_node_by_name_tag(u"i", root), u"type", u"script_candidate"));
}

TEST(CheckAttributeValue, IsExactAndCaseSensitive) {
    const element_ref root = root_of(
        "<r><i type=\"script_candidate\"/><i type=\"Script_Candidate\"/>"
        "<i type=\"script_candidate \"/><i/><i kind=\"script_candidate\"/>"
        "<i type=\"&#115;cript_&#99;andidate\"/></r>");
    const node_list_ref items = get_node_list_by_name_tag(u"i", root);
    ASSERT_EQ(items->length(), 6);
    const bool expected[] = {true, false, false, false, false, true};
    for (int index = 0; index < 6; ++index) {
        EXPECT_EQ(check_attribute_value(get_node_by_node_list(items, index), u"type",
                                        u"script_candidate"),
                  expected[index])
            << index;
    }
    EXPECT_FALSE(check_attribute_value(get_node_by_node_list(items, 0), u"type", u"script"));
}

TEST(CheckAttributeValue, NamesAreQualified) {
    const element_ref root = root_of("<r xmlns:p=\"urn:p\" p:type=\"x\" xmlns=\"urn:d\"/>");
    EXPECT_TRUE(check_attribute_value(root, u"p:type", u"x"));
    EXPECT_FALSE(check_attribute_value(root, u"type", u"x"));
    EXPECT_TRUE(check_attribute_value(root, u"xmlns:p", u"urn:p"));
    EXPECT_TRUE(check_attribute_value(root, u"xmlns", u"urn:d"));
}

TEST(Queries, EmptyReferencesRaiseDomErrors) {
    const element_ref none;
    EXPECT_THROW(get_node_list_by_name_tag(u"a", none), dom_error);
    EXPECT_THROW(get_node_by_node_list(node_list_ref(), 0), dom_error);
    EXPECT_THROW(get_node_by_name_tag(u"a", none), dom_error);
    EXPECT_THROW(get_node_text(none), dom_error);
    EXPECT_THROW(check_attribute_value(none, u"a", u"b"), dom_error);
}

}  // namespace
