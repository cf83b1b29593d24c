#include "utility/text_conversion.h"

#include <stdexcept>

#include "platform/text_codec.h"

namespace utility {
namespace {

template <typename String>
auto up_to_first_nul(const String& text) {
    using view = std::basic_string_view<typename String::value_type>;
    const view whole(text);
    return whole.substr(0, whole.find(typename String::value_type{}));
}

std::u16string to_utf16(platform::code_page page, std::string_view text) {
    std::u16string result;
    if (!platform::bytes_to_utf16(page, up_to_first_nul(text), result))
        throw std::runtime_error("::MultiByteToWideChar() : failed");
    return result;
}

std::string from_utf16(platform::code_page page, const std::u16string& text) {
    std::string result;
    if (!platform::utf16_to_bytes(page, up_to_first_nul(text), result))
        throw std::runtime_error("::WideCharToMultiByte() : failed");
    return result;
}

// The length of the UTF-8 sequence of two or more bytes at `at`, or 0 when none starts
// there (no overlong forms, surrogates or values above U+10FFFF).
std::size_t utf8_sequence_length(std::string_view bytes, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > bytes.size()) return 0;
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = at + 2; i < at + length; ++i)
        if ((byte(i) & 0xC0) != 0x80) return 0;
    return length;
}

void append(std::u16string& text, platform::code_page page, std::string_view bytes) {
    text += to_utf16(page, bytes);
}

}  // namespace

std::u16string output_to_utf16(const std::string& text) {
    const std::string_view bytes = up_to_first_nul(text);
    if (platform::ansi_codeset_name() == "UTF-8") return to_utf16(platform::code_page::utf8, text);
    std::u16string result;
    std::size_t utf8_start = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        if (static_cast<unsigned char>(bytes[at]) < 0x80) {
            ++at;
        } else if (const std::size_t length = utf8_sequence_length(bytes, at)) {
            at += length;
        } else {
            append(result, platform::code_page::utf8, bytes.substr(utf8_start, at - utf8_start));
            std::size_t end = at;
            while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) >= '@') ++end;
            append(result, platform::code_page::ansi, bytes.substr(at, end - at));
            utf8_start = at = end;
        }
    }
    append(result, platform::code_page::utf8, bytes.substr(utf8_start));
    return result;
}

std::u16string ansi_to_utf16(const std::string& text) {
    return to_utf16(platform::code_page::ansi, text);
}

std::u16string utf8_to_utf16(const std::string& text) {
    return to_utf16(platform::code_page::utf8, text);
}

std::string utf16_to_ansi(const std::u16string& text) {
    return from_utf16(platform::code_page::ansi, text);
}

std::string utf16_to_utf8(const std::u16string& text) {
    return from_utf16(platform::code_page::utf8, text);
}

std::string to_upper(const std::string& text) {
    std::string result(up_to_first_nul(text));
    for (char& byte : result)
        if (byte >= 'a' && byte <= 'z') byte = static_cast<char>(byte - 'a' + 'A');
    return result;
}

std::u16string to_upper(const std::u16string& text) {
    std::u16string result(up_to_first_nul(text));
    for (char16_t& unit : result) unit = platform::to_upper_code_unit(unit);
    return result;
}

bool equal_no_case(const std::u16string& left, const std::u16string& right) {
    return to_upper(left) == to_upper(right);
}

}  // namespace utility
