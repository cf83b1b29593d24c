// The candidate document written for a host's viewer, for any candidate texts: it is
// well-formed XML, holds one item per candidate with exactly the elements the rules call
// for, and every text parses back as it was given (what XML cannot carry aside: control
// characters become blanks; unpaired surrogates, U+FFFE and U+FFFF become U+FFFD).
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/message_script.h"
#include "fuzz/support/fuzz_check.h"
#include "utility/text_conversion.h"

namespace {

using fuzz_support::require;
using vuro_plugin::message_script_item;

// What a text looks like after a trip through an XML document, in UTF-8.
std::string carried(std::u16string text) {
    for (char16_t& unit : text) {
        if (unit < 0x20 && unit != u'\t' && unit != u'\n' && unit != u'\r') unit = u' ';
        if (unit >= 0xFFFE) unit = u'\uFFFD';
    }
    return utility::utf16_to_utf8(text);  // unpaired surrogates become U+FFFD
}

std::u16string consume_type(FuzzedDataProvider& input) {
    static const char16_t* const types[] = {u"definite_string", u"url_jump_string",
                                            u"research_function", u"", u"Definite_String"};
    return input.ConsumeBool() ? fuzz_support::consume_utf16(input, 20)
                               : input.PickValueInArray(types);
}

message_script_item consume_item(FuzzedDataProvider& input) {
    message_script_item item;
    item.title = fuzz_support::consume_utf16(input, 40);
    item.comment = fuzz_support::consume_utf16(input, 60);
    item.alternative =
        (input.ConsumeBool() ? u"http" : u"") + fuzz_support::consume_utf16(input, 40);
    item.alternative_alias = fuzz_support::consume_utf16(input, 20);
    item.alternative_type = consume_type(input);
    item.info = fuzz_support::consume_utf16(input, 20);
    return item;
}

struct element_text {
    std::string name;
    std::string text;
};

// The element children of `node`, each with its whole text.
std::vector<element_text> children_of(xmlNodePtr node) {
    std::vector<element_text> children;
    for (xmlNodePtr child = node->children; child != nullptr; child = child->next) {
        if (child->type == XML_TEXT_NODE) continue;
        require(child->type == XML_ELEMENT_NODE, "an item holds elements and blanks only");
        xmlChar* text = xmlNodeGetContent(child);
        children.push_back({reinterpret_cast<const char*>(child->name),
                            text ? reinterpret_cast<const char*>(text) : ""});
        xmlFree(text);
    }
    return children;
}

bool alternative_written(const message_script_item& item) {
    if (item.alternative.empty()) return false;
    return item.alternative_type == u"definite_string" ||
           (item.alternative_type == u"url_jump_string" &&
            item.alternative.compare(0, 4, u"http") == 0);
}

// The children an item must have, in order; the alternative's own are checked apart.
std::vector<element_text> expected_children(const message_script_item& item, std::size_t index,
                                            std::int32_t plugin_index, std::int32_t generation_id) {
    std::vector<element_text> expected;
    if (!item.title.empty()) expected.push_back({"title", carried(item.title)});
    if (!item.comment.empty()) expected.push_back({"comment", carried(item.comment)});
    if (alternative_written(item)) expected.push_back({"alternative", ""});
    if (!item.info.empty()) expected.push_back({"info", carried(item.info)});
    expected.push_back({"plugin_index", std::to_string(plugin_index)});
    expected.push_back({"candidate_index", std::to_string(index)});
    expected.push_back({"generation_id", std::to_string(generation_id)});
    return expected;
}

void check_alternative(xmlNodePtr alternative, const message_script_item& item) {
    xmlChar* type = xmlGetProp(alternative, reinterpret_cast<const xmlChar*>("type"));
    require(type != nullptr && utility::utf8_to_utf16(reinterpret_cast<const char*>(type)) ==
                                   item.alternative_type,
            "an alternative carries its type");
    xmlFree(type);
    const std::vector<element_text> children = children_of(alternative);
    require(!children.empty() && children[0].name == "target" &&
                children[0].text == carried(item.alternative),
            "an alternative's target comes back whole");
    require(children.size() == (item.alternative_alias.empty() ? 1u : 2u),
            "an alias is written exactly when there is one");
    if (children.size() == 2)
        require(children[1].name == "alias" && children[1].text == carried(item.alternative_alias),
                "an alternative's alias comes back whole");
}

void check_item(xmlNodePtr node, const message_script_item& item, std::size_t index,
                std::int32_t plugin_index, std::int32_t generation_id) {
    require(xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>("item")) == 0, "an item");
    xmlChar* type = xmlGetProp(node, reinterpret_cast<const xmlChar*>("type"));
    require(type != nullptr && xmlStrcmp(type, reinterpret_cast<const xmlChar*>("candidate")) == 0,
            "an item of type candidate");
    xmlFree(type);
    const std::vector<element_text> children = children_of(node);
    const std::vector<element_text> expected =
        expected_children(item, index, plugin_index, generation_id);
    require(children.size() == expected.size(), "an item holds the elements its texts call for");
    xmlNodePtr child = xmlFirstElementChild(node);
    for (std::size_t i = 0; i < expected.size(); ++i, child = xmlNextElementSibling(child)) {
        require(children[i].name == expected[i].name, "an item's elements in their order");
        if (expected[i].name == "alternative") {
            check_alternative(child, item);
        } else {
            fuzz_support::require_same(children[i].text, expected[i].text,
                                       "a text comes back whole");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto plugin_index = input.ConsumeIntegral<std::int32_t>();
    const auto generation_id = input.ConsumeIntegral<std::int32_t>();
    vuro_plugin::message_script message;
    while (input.remaining_bytes() > 0 && message.items().size() < 20)
        message.append_item(consume_item(input));

    const std::string xml = message.write_candidate_xml(plugin_index, generation_id);
    require(xml == message.write_candidate_xml(plugin_index, generation_id),
            "writing does not change the message");
    const std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> document(
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE),
        xmlFreeDoc);
    require(document != nullptr, "the viewer document is well-formed");
    xmlNodePtr root = xmlDocGetRootElement(document.get());
    require(
        root != nullptr && xmlStrcmp(root->name, reinterpret_cast<const xmlChar*>("itemlist")) == 0,
        "the root is itemlist");
    const std::vector<element_text> items = children_of(root);
    require(items.size() == message.items().size(), "one item per candidate");
    xmlNodePtr node = xmlFirstElementChild(root);
    for (std::size_t i = 0; i < items.size(); ++i, node = xmlNextElementSibling(node))
        check_item(node, message.items()[i], i, plugin_index, generation_id);
    return 0;
}
