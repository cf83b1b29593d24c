#pragma once
// The source of one document: an exact copy of the document text, read once as a stream.
#include <cstddef>
#include <string>
#include <string_view>

namespace xml_access_library {

class xml_access_utility_impl {
public:
    static constexpr std::size_t max_text_size = 10485760;

    // Throws std::runtime_error("xml_access_utility_impl::impl() : failed") for an empty
    // text or no memory for the copy, and document_too_large (xml_errors.h, same text)
    // for one over max_text_size bytes.
    explicit xml_access_utility_impl(const std::string& text);
    xml_access_utility_impl(const xml_access_utility_impl&) = delete;
    xml_access_utility_impl& operator=(const xml_access_utility_impl&) = delete;

    // The bytes from the read position on; the position moves to the end, so a second
    // read gives nothing.
    std::string_view read_rest();

    // "At line " + line + LF + reason of the last failed load; empty when none failed.
    const std::u16string& diagnostic() const { return diagnostic_; }
    void set_diagnostic(std::u16string text) { diagnostic_ = std::move(text); }

private:
    std::string stream_;
    std::size_t position_ = 0;
    std::u16string diagnostic_;
};

}  // namespace xml_access_library
