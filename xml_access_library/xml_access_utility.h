#pragma once
// Queries on a parsed document. Names and texts are UTF-16. An empty reference passed to
// a query throws dom_error; the other failures throw std::runtime_error with the texts
// below.
#include <cstddef>
#include <cstdint>
#include <string>

#include "xml_access_library/xml_access_utility_impl.h"
#include "xml_access_library/xml_node.h"

namespace xml_access_library::xml_access_utility {

// Parses the rest of the source's stream and returns the document element.
// Failure: "xml_access_utility::get_root_node() : failed"; the parser's line and reason
// go to source.diagnostic().
element_ref get_root_node(xml_access_utility_impl& source);

// Every element below `element`, at any depth, whose tag name equals `tag_name`, in
// document order; `element` itself is never included.
node_list_ref get_node_list_by_name_tag(const std::u16string& tag_name, const element_ref& element);

// Failure (index out of range): "xml_access_utility::get_node_by_node_list() : failed".
element_ref get_node_by_node_list(const node_list_ref& list, std::int32_t index);

// The first child element named `name`; empty when there is none.
element_ref get_node_by_name_tag(const std::u16string& name, const element_ref& node);

// Character data of the node and all its descendants (CDATA included, white space kept),
// up to the first NUL.
std::u16string get_node_text(const element_ref& node);
// The first `limit` code units of get_node_text(node), without reading the rest.
std::u16string get_node_text(const element_ref& node, std::size_t limit);

// True when the element has the attribute and its value equals `value` exactly.
bool check_attribute_value(const element_ref& node, const std::u16string& attribute_name,
                           const std::u16string& value);

}  // namespace xml_access_library::xml_access_utility
