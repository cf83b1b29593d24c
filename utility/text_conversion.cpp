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

std::u16string to_utf16(platform::code_page page, const std::string& text) {
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

}  // namespace

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
