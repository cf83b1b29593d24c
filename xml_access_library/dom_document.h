#pragma once
// Internal to this folder: the libxml2 document behind the node references.
#include <libxml/tree.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace xml_access_library::detail {

class dom_document {
public:
    explicit dom_document(xmlDocPtr document);
    ~dom_document();
    dom_document(const dom_document&) = delete;
    dom_document& operator=(const dom_document&) = delete;

    xmlDocPtr get() const { return document_; }
    // Counts the work of expanding internal entities for the queries (replacement text
    // handed out, nodes visited) in bytes and throws dom_error once the total passes the
    // document size limit: a small document must not expand into gigabytes of text or
    // billions of empty nodes.
    void charge_expansion(std::size_t bytes);

private:
    xmlDocPtr document_;
    std::size_t expanded_ = 0;
};

// The document that owns a node of a loaded tree.
dom_document& owner_of(const xmlNode* node);

struct load_result {
    std::shared_ptr<dom_document> document;  // empty when the text is not well-formed
    int line = 0;
    std::string reason;
};

// Parses untrusted bytes: no network, no DTD or external entity loading, libxml2's own
// entity-expansion limits. The encoding comes from the byte-order mark or, without one,
// the XML declaration; Shift_JIS is read as code page 932. A character U+0000 anywhere
// makes the document not well-formed.
load_result load_document(std::string_view bytes);

}  // namespace xml_access_library::detail
