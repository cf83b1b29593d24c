#pragma once
// Internal to this folder: conversions between the parser's UTF-8 and the UTF-16 of the
// queries. libxml2 hands out valid UTF-8 only, so these are short loops; anything
// malformed still becomes U+FFFD rather than being trusted.
#include <cstddef>
#include <string>
#include <string_view>

namespace xml_access_library::detail {

// Decodes up to the first NUL and at most `limit` code units.
std::u16string utf16_of(std::string_view utf8, std::size_t limit = std::u16string::npos);

// utf16_of(utf8) == utf16, without building the string.
bool same_text(std::string_view utf8, std::u16string_view utf16);

}  // namespace xml_access_library::detail
