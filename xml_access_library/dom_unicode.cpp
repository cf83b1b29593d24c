#include "xml_access_library/dom_unicode.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace xml_access_library::detail {
namespace {

constexpr char32_t replacement = 0xFFFD;

// Length of the leading run of ASCII characters other than NUL, eight bytes at a time.
std::size_t ascii_prefix(const char* text, std::size_t size) {
    constexpr std::uint64_t high_bits = 0x8080808080808080u;
    constexpr std::uint64_t low_bits = 0x0101010101010101u;
    std::size_t count = 0;
    for (; count + 8 <= size; count += 8) {
        std::uint64_t word;
        std::memcpy(&word, text + count, sizeof word);
        if ((word & high_bits) != 0 || ((word - low_bits) & ~word & high_bits) != 0) break;
    }
    while (count < size) {
        const auto byte = static_cast<unsigned char>(text[count]);
        if (byte >= 0x80 || byte == 0) break;
        ++count;
    }
    return count;
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one character at `at`, advancing it; malformed input gives U+FFFD and one byte.
char32_t next_code_point(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++at;
        return replacement;
    }
    if (at + length > text.size()) {
        ++at;
        return replacement;
    }
    for (std::size_t index = 1; index < length; ++index) {
        const auto byte = static_cast<unsigned char>(text[at + index]);
        if (!is_continuation(byte)) {
            ++at;
            return replacement;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++at;
        return replacement;
    }
    at += length;
    return value;
}

}  // namespace

std::u16string utf16_of(std::string_view utf8, std::size_t limit) {
    // Never more code units than bytes.
    std::u16string out(std::min(utf8.size(), limit), u'\0');
    char16_t* write = out.data();
    char16_t* const end = write + out.size();
    std::size_t at = 0;
    while (at < utf8.size() && write < end) {
        const std::size_t run = std::min(utf8.size() - at, static_cast<std::size_t>(end - write));
        const std::size_t count = ascii_prefix(utf8.data() + at, run);
        for (std::size_t index = 0; index < count; ++index)
            write[index] = static_cast<unsigned char>(utf8[at + index]);
        at += count;
        write += count;
        if (at == utf8.size() || write == end || utf8[at] == '\0') break;
        const char32_t value = next_code_point(utf8, at);
        if (value < 0x10000) {
            *write++ = static_cast<char16_t>(value);
            continue;
        }
        *write++ = static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
        if (write < end) *write++ = static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
    }
    out.resize(static_cast<std::size_t>(write - out.data()));
    return out;
}

bool same_text(std::string_view utf8, std::u16string_view utf16) {
    std::size_t at = 0;
    std::size_t unit = 0;
    while (at < utf8.size() && utf8[at] != '\0') {
        const auto byte = static_cast<unsigned char>(utf8[at]);
        if (byte < 0x80) {
            if (unit >= utf16.size() || utf16[unit] != byte) return false;
            ++at;
            ++unit;
            continue;
        }
        const char32_t value = next_code_point(utf8, at);
        if (value < 0x10000) {
            if (unit >= utf16.size() || utf16[unit++] != value) return false;
            continue;
        }
        if (unit + 1 >= utf16.size() ||
            utf16[unit] != static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)) ||
            utf16[unit + 1] != static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF)))
            return false;
        unit += 2;
    }
    return unit == utf16.size();
}

}  // namespace xml_access_library::detail
