#include "xml_access_library/byte_layout.h"

#include <algorithm>

namespace xml_access_library::detail {
namespace {

bool starts_with(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// The value of the code unit at `at`.
unsigned long unit_at(std::string_view bytes, std::size_t at, const byte_layout& layout) {
    unsigned long value = 0;
    for (std::size_t index = 0; index < layout.unit_size; ++index) {
        const std::size_t byte = layout.big_endian ? index : layout.unit_size - 1 - index;
        value = (value << 8) | static_cast<unsigned char>(bytes[at + byte]);
    }
    return value;
}

}  // namespace

byte_layout detect_byte_layout(std::string_view bytes) {
    using namespace std::string_view_literals;
    // Four-byte marks first: the UTF-32LE mark begins with the UTF-16LE one.
    if (starts_with(bytes, "\x00\x00\xFE\xFF"sv)) return {"UTF-32BE", 4, 4, true};
    if (starts_with(bytes, "\xFF\xFE\x00\x00"sv)) return {"UTF-32LE", 4, 4, false};
    if (starts_with(bytes, "\xEF\xBB\xBF"sv)) return {"UTF-8", 3, 1, false};
    if (starts_with(bytes, "\xFE\xFF"sv)) return {"UTF-16BE", 2, 2, true};
    if (starts_with(bytes, "\xFF\xFE"sv)) return {"UTF-16LE", 2, 2, false};
    // Without a mark, "<" in a wide encoding tells the unit size; the parser finds the
    // encoding itself.
    if (starts_with(bytes, "\x00\x00\x00\x3C"sv)) return {nullptr, 0, 4, true};
    if (starts_with(bytes, "\x3C\x00\x00\x00"sv)) return {nullptr, 0, 4, false};
    if (starts_with(bytes, "\x00\x3C"sv)) return {nullptr, 0, 2, true};
    if (starts_with(bytes, "\x3C\x00"sv)) return {nullptr, 0, 2, false};
    return {};
}

nul_position find_nul_character(std::string_view bytes, const byte_layout& layout) {
    nul_position result;
    std::size_t at = layout.mark_size;
    if (layout.unit_size == 1) {
        const std::size_t nul = bytes.find('\0', at);
        if (nul == std::string_view::npos) return result;
        result.found = true;
        result.line = 1 + static_cast<int>(std::count(bytes.begin(), bytes.begin() + nul, '\n'));
        return result;
    }
    int line = 1;
    for (; at + layout.unit_size <= bytes.size(); at += layout.unit_size) {
        const unsigned long unit = unit_at(bytes, at, layout);
        if (unit == 0) {
            result.found = true;
            result.line = line;
            return result;
        }
        if (unit == '\n') ++line;
    }
    return result;
}

}  // namespace xml_access_library::detail
