#pragma once
// Errors of the XML layer that callers tell apart by type; what() keeps the fixed text.
#include <stdexcept>

namespace xml_access_library {

// A document text longer than xml_access_utility_impl::max_text_size bytes: it is not
// read at all.
class document_too_large : public std::runtime_error {
public:
    document_too_large() : std::runtime_error("xml_access_utility_impl::impl() : failed") {}
};

}  // namespace xml_access_library
