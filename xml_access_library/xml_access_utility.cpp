#include "xml_access_library/xml_access_utility.h"

#include <libxml/tree.h>

#include <stdexcept>
#include <string_view>

#include "xml_access_library/dom_document.h"
#include "xml_access_library/dom_text.h"
#include "xml_access_library/dom_unicode.h"

namespace xml_access_library {

element_ref node_list::item(std::int32_t index) const {
    if (index < 0 || index >= length()) return {};
    // Aliasing: the element shares ownership of the document.
    return element_ref(std::const_pointer_cast<void>(document_), items_[index]);
}

namespace xml_access_utility {
namespace {

const xmlNode* require(const element_ref& node, const char* operation) {
    if (!node)
        throw dom_error(std::string("xml_access_utility::") + operation + "() : invalid pointer");
    return node.get();
}

std::u16string diagnostic_of(const detail::load_result& result) {
    return detail::utf16_of("At line " + std::to_string(result.line) + "\n" + result.reason);
}

const xmlNs* declared_namespace(const xmlNode* node, std::u16string_view name) {
    std::u16string_view prefix;
    if (name.substr(0, 6) == u"xmlns:")
        prefix = name.substr(6);
    else if (name != u"xmlns")
        return nullptr;
    for (const xmlNs* ns = node->nsDef; ns != nullptr; ns = ns->next) {
        const char* declared = reinterpret_cast<const char*>(ns->prefix);
        if (detail::same_text(declared ? declared : "", prefix)) return ns;
    }
    return nullptr;
}

bool is_single_text(const xmlNode* first) {
    return first != nullptr && first->next == nullptr &&
           (first->type == XML_TEXT_NODE || first->type == XML_CDATA_SECTION_NODE);
}

// The character data below `first`, decoded to at most `limit` code units.
std::u16string text_of(const xmlNode* first, std::size_t limit) {
    if (is_single_text(first))
        return detail::utf16_of(detail::view_of(first->content), limit);  // the usual case
    // `limit` code units never take more than 4 bytes each in UTF-8.
    const std::size_t max_bytes = limit > std::string::npos / 4 ? std::string::npos : limit * 4;
    std::string text;
    detail::append_text(first, text, max_bytes);
    return detail::utf16_of(text, limit);
}

const xmlAttr* find_attribute(const xmlNode* node, std::u16string_view name) {
    for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next)
        if (detail::has_qualified_name(attribute, name)) return attribute;
    return nullptr;
}

}  // namespace

element_ref get_root_node(xml_access_utility_impl& source) {
    const std::runtime_error failure("xml_access_utility::get_root_node() : failed");
    const detail::load_result result = detail::load_document(source.read_rest());
    if (!result.document) {
        source.set_diagnostic(diagnostic_of(result));
        throw failure;
    }
    xmlNode* root = xmlDocGetRootElement(result.document->get());
    if (root == nullptr) throw failure;
    return element_ref(result.document, root);
}

node_list_ref get_node_list_by_name_tag(const std::u16string& tag_name,
                                        const element_ref& element) {
    const xmlNode* top = require(element, "get_node_list_by_name_tag");
    std::vector<xmlNode*> found;
    // Pre-order walk of the elements below `top`, without recursion.
    xmlNode* node = top->children;
    while (node != nullptr) {
        if (node->type == XML_ELEMENT_NODE) {
            if (detail::has_qualified_name(node, tag_name)) found.push_back(node);
            if (node->children != nullptr) {
                node = node->children;
                continue;
            }
        }
        while (node != nullptr && node->next == nullptr) {
            node = node->parent;
            if (node == top) node = nullptr;
        }
        if (node != nullptr) node = node->next;
    }
    return std::make_shared<const node_list>(element, std::move(found));
}

element_ref get_node_by_node_list(const node_list_ref& list, std::int32_t index) {
    if (!list) throw dom_error("xml_access_utility::get_node_by_node_list() : invalid pointer");
    element_ref item = list->item(index);
    if (!item) throw std::runtime_error("xml_access_utility::get_node_by_node_list() : failed");
    return item;
}

element_ref get_node_by_name_tag(const std::u16string& name, const element_ref& node) {
    const xmlNode* parent = require(node, "get_node_by_name_tag");
    for (xmlNode* child = parent->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && detail::has_qualified_name(child, name))
            return element_ref(node, child);
    }
    return {};
}

std::u16string get_node_text(const element_ref& node) {
    return text_of(require(node, "get_node_text")->children, std::u16string::npos);
}

std::u16string get_node_text(const element_ref& node, std::size_t limit) {
    return text_of(require(node, "get_node_text")->children, limit);
}

bool check_attribute_value(const element_ref& node, const std::u16string& attribute_name,
                           const std::u16string& value) {
    const xmlNode* element = require(node, "check_attribute_value");
    if (element->type != XML_ELEMENT_NODE) return false;
    // Namespace declarations are attributes in the DOM, kept apart by libxml2.
    if (const xmlNs* ns = declared_namespace(element, attribute_name))
        return detail::same_text(detail::view_of(ns->href), value);
    const xmlAttr* attribute = find_attribute(element, attribute_name);
    if (attribute == nullptr) return false;
    if (is_single_text(attribute->children))
        return detail::same_text(detail::view_of(attribute->children->content), value);
    // n UTF-16 code units never take more than 3n bytes of UTF-8: a longer value differs.
    std::string actual;
    detail::append_text(attribute->children, actual, value.size() * 3 + 1);
    return detail::same_text(actual, value);
}

}  // namespace xml_access_utility
}  // namespace xml_access_library
