#include "xml_access_library/dom_text.h"

#include <libxml/entities.h>

#include "xml_access_library/dom_document.h"
#include "xml_access_library/dom_unicode.h"
#include "xml_access_library/xml_node.h"

namespace xml_access_library::detail {
namespace {

// libxml2 refuses deeper entity nesting while parsing; this only guards the walk.
constexpr int max_entity_depth = 64;
// A node visited inside entity content is charged as if it were copied out: content that
// adds no characters (an empty element referenced a million times over) costs time all
// the same.
constexpr std::size_t expanded_node_cost = sizeof(xmlNode);

class text_collector {
public:
    text_collector(dom_document& owner, std::string& out, std::size_t max_bytes)
        : owner_(owner), out_(out), max_bytes_(max_bytes) {}

    void append_nodes(const xmlNode* node) {
        for (; node != nullptr && out_.size() < max_bytes_; node = node->next) {
            if (entity_depth_ > 0) owner_.charge_expansion(expanded_node_cost);
            switch (node->type) {
                case XML_TEXT_NODE:
                case XML_CDATA_SECTION_NODE: append(view_of(node->content)); break;
                case XML_ELEMENT_NODE: append_nodes(node->children); break;
                case XML_ENTITY_REF_NODE: append_entity(node); break;
                default: break;
            }
        }
    }

private:
    void append(std::string_view text) {
        // Charged before copying, so an expansion never grows past the limit.
        text = text.substr(0, max_bytes_ - out_.size());
        if (entity_depth_ > 0) owner_.charge_expansion(text.size());
        out_ += text;
    }

    void append_entity(const xmlNode* reference) {
        const xmlEntity* entity = xmlGetDocEntity(reference->doc, reference->name);
        if (entity == nullptr) return;
        if (entity->etype == XML_INTERNAL_PREDEFINED_ENTITY) {
            out_ += view_of(entity->content).substr(0, max_bytes_ - out_.size());
            return;
        }
        if (entity_depth_ >= max_entity_depth)
            throw dom_error("xml_access_utility : entity nesting too deep");
        // External entities are never loaded: they have no children and add nothing.
        ++entity_depth_;
        append_nodes(entity->children);
        --entity_depth_;
    }

    dom_document& owner_;
    std::string& out_;
    const std::size_t max_bytes_;
    int entity_depth_ = 0;
};

// Neither a prefix nor a local name contains a colon, so `name` splits at its first one.
bool is_prefixed_name(std::u16string_view name, const xmlNs* ns, const xmlChar* local) {
    const std::string_view prefix = view_of(ns ? ns->prefix : nullptr);
    if (prefix.empty()) {
        // Names mostly differ in their first character: test it before measuring the name.
        if (!name.empty() && local[0] < 0x80 && local[0] != name[0]) return false;
        return same_text(view_of(local), name);
    }
    const std::size_t colon = name.find(u':');
    return colon != std::u16string_view::npos && same_text(prefix, name.substr(0, colon)) &&
           same_text(view_of(local), name.substr(colon + 1));
}

}  // namespace

void append_text(const xmlNode* first, std::string& out, std::size_t max_bytes) {
    if (first == nullptr) return;
    text_collector(owner_of(first), out, max_bytes).append_nodes(first);
}

bool has_qualified_name(const xmlNode* node, std::u16string_view name) {
    return is_prefixed_name(name, node->ns, node->name);
}

bool has_qualified_name(const xmlAttr* attribute, std::u16string_view name) {
    return is_prefixed_name(name, attribute->ns, attribute->name);
}

}  // namespace xml_access_library::detail
