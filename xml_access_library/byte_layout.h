#pragma once
// Internal to this folder: what the first bytes of a document say about its encoding,
// read in the order XML prescribes (a byte-order mark first, then the shape of "<?").
#include <cstddef>
#include <string_view>

namespace xml_access_library::detail {

struct byte_layout {
    // The encoding named by a byte-order mark; null when there is none and the XML
    // declaration decides.
    const char* marked_encoding = nullptr;
    std::size_t mark_size = 0;  // bytes of the byte-order mark
    std::size_t unit_size = 1;  // bytes per code unit: 1, 2 or 4
    bool big_endian = false;
};

byte_layout detect_byte_layout(std::string_view bytes);

struct nul_position {
    bool found = false;
    int line = 0;  // of the first code unit U+0000 when found
};

// Searches for a code unit of value 0 (never allowed in XML; the parser would take it for
// the end of the input). With units of one byte every zero byte is one, whatever the
// encoding: no multi-byte encoding uses 0 inside a character.
nul_position find_nul_character(std::string_view bytes, const byte_layout& layout);

}  // namespace xml_access_library::detail
