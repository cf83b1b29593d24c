#include "xml_access_library/xml_access_utility_impl.h"

#include <new>
#include <stdexcept>

#include "xml_access_library/xml_errors.h"

namespace xml_access_library {
namespace {

std::string copy_of(const std::string& text) {
    const std::runtime_error failure("xml_access_utility_impl::impl() : failed");
    if (text.size() > xml_access_utility_impl::max_text_size) throw document_too_large();
    if (text.empty()) throw failure;
    try {
        return text;
    } catch (const std::bad_alloc&) {
        throw failure;
    }
}

}  // namespace

xml_access_utility_impl::xml_access_utility_impl(const std::string& text)
    : stream_(copy_of(text)) {}

std::string_view xml_access_utility_impl::read_rest() {
    const std::string_view rest = std::string_view(stream_).substr(position_);
    position_ = stream_.size();
    return rest;
}

}  // namespace xml_access_library
