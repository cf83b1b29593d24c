#include "platform/registry_hive_text.h"

#include <algorithm>

#include "platform/registry_hive.h"
#include "platform/text_codec.h"

namespace platform {
namespace {

constexpr std::string_view utf8_bom = "\xEF\xBB\xBF";
constexpr std::string_view utf16le_bom = "\xFF\xFE";

bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::optional<std::u16string> fail(registry_parse_error* error, std::size_t line,
                                   const char* what) {
    if (error != nullptr) *error = registry_parse_error{line, what};
    return std::nullopt;
}

std::optional<std::u16string> decode_utf16le(std::string_view bytes, registry_parse_error* error) {
    // A lone zero byte at the end is a terminator written by mistake, not half a character.
    if (bytes.size() % 2 != 0 && bytes.back() == '\0') bytes.remove_suffix(1);
    if (bytes.size() % 2 != 0) return fail(error, 0, "UTF-16 text of an odd number of bytes");
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    const std::size_t unpaired = first_unpaired_surrogate(text);
    if (unpaired != std::u16string::npos)
        return fail(error, line_at<char16_t>(text, unpaired),
                    "invalid UTF-16: an unpaired surrogate");
    return text;
}

// Invalid UTF-8 is what does not come back unchanged from a round trip.
std::optional<std::u16string> decode_utf8(std::string_view bytes, registry_parse_error* error) {
    std::u16string text;
    std::string check;
    if (!bytes_to_utf16(code_page::utf8, bytes, text) ||
        !utf16_to_bytes(code_page::utf8, text, check))
        return fail(error, 0, "invalid UTF-8");
    if (check == bytes) return text;
    const auto differs =
        std::mismatch(bytes.begin(), bytes.end(), check.begin(), check.end()).first;
    return fail(error, line_at(bytes, static_cast<std::size_t>(differs - bytes.begin())),
                "invalid UTF-8");
}

// Undoes what the writer of a CR LF file does, one CR before every LF, so that a line
// feed inside a quoted name reads back as itself and not as CR LF.
void drop_line_end_returns(std::u16string& text) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
        text[kept++] = text[i];
    }
    text.resize(kept);
}

}  // namespace

std::size_t first_unpaired_surrogate(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (is_high_surrogate(text[i]) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) {
            ++i;
        } else if (is_high_surrogate(text[i]) || is_low_surrogate(text[i])) {
            return i;
        }
    }
    return std::u16string_view::npos;
}

std::optional<std::u16string> decode_hive_file(std::string_view bytes, hive_file_form& form,
                                               registry_parse_error* error) {
    std::optional<std::u16string> text;
    if (bytes.substr(0, 2) == utf16le_bom) {
        form.encoding = hive_file_form::utf16le;
        text = decode_utf16le(bytes.substr(2), error);
    } else {
        const bool bom = bytes.substr(0, 3) == utf8_bom;
        form.encoding = bom ? hive_file_form::utf8_with_bom : hive_file_form::utf8;
        text = decode_utf8(bytes.substr(bom ? 3 : 0), error);
    }
    if (!text) return std::nullopt;
    const std::size_t first_end = text->find(u'\n');
    form.crlf =
        first_end != std::u16string::npos && first_end > 0 && (*text)[first_end - 1] == u'\r';
    text->erase(text->find_last_not_of(std::u16string_view(u"\0 \t\r\n", 5)) + 1);
    if (form.crlf) drop_line_end_returns(*text);
    return text;
}

std::string encode_hive_file(std::u16string_view text, const hive_file_form& form) {
    std::u16string lines;
    lines.reserve(text.size() + (form.crlf ? text.size() / 16 : 0));
    for (char16_t unit : text) {
        if (unit == u'\n' && form.crlf) lines.push_back(u'\r');
        lines.push_back(unit);
    }
    std::string bytes;
    if (form.encoding == hive_file_form::utf16le) {
        bytes.reserve(2 + lines.size() * 2);
        bytes = utf16le_bom;
        for (char16_t unit : lines) {
            bytes.push_back(static_cast<char>(unit & 0xFF));
            bytes.push_back(static_cast<char>(unit >> 8));
        }
        return bytes;
    }
    utf16_to_bytes(code_page::utf8, lines, bytes);
    return form.encoding == hive_file_form::utf8_with_bom ? std::string(utf8_bom) + bytes : bytes;
}

}  // namespace platform
