#pragma once
// References to parsed document nodes. Each one shares ownership of its document, so a
// node stays valid after the document object that loaded it is gone.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

struct _xmlNode;

namespace xml_access_library {

// An element, or empty.
using element_ref = std::shared_ptr<_xmlNode>;

// Elements in document order.
class node_list {
public:
    node_list(std::shared_ptr<const void> document, std::vector<_xmlNode*> items)
        : document_(std::move(document)), items_(std::move(items)) {}

    std::int32_t length() const { return static_cast<std::int32_t>(items_.size()); }
    // Empty when the index is out of range.
    element_ref item(std::int32_t index) const;

private:
    std::shared_ptr<const void> document_;
    std::vector<_xmlNode*> items_;
};

using node_list_ref = std::shared_ptr<const node_list>;

// Misuse of the DOM, such as an empty reference passed to a query.
class dom_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace xml_access_library
