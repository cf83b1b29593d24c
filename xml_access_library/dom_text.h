#pragma once
// Internal to this folder: character data and names of libxml2 nodes.
#include <libxml/tree.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace xml_access_library::detail {

inline std::string_view view_of(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// Appends the character data of `first` and its following siblings with all their
// descendants: text and CDATA, internal entities replaced, comments and processing
// instructions left out. Entity replacement text, and every node visited inside entity
// content, is charged to the node's document.
// Stops once `out` holds `max_bytes` bytes.
void append_text(const xmlNode* first, std::string& out, std::size_t max_bytes = std::string::npos);

// The name as written in the document, prefix included.
bool has_qualified_name(const xmlNode* node, std::u16string_view name);
bool has_qualified_name(const xmlAttr* attribute, std::u16string_view name);

}  // namespace xml_access_library::detail
