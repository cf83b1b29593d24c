#include "utility/url_encoding.h"

#include <cstdlib>

namespace utility {

std::string url_encode(const std::string& bytes) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(bytes.size() * 3);
    for (const char byte : bytes) {
        if (byte == '.' || byte == '_' || byte == '-') {
            encoded += byte;
        } else if (byte == ' ') {
            encoded += '+';
        } else {
            const auto value = static_cast<unsigned char>(byte);
            encoded += '%';
            encoded += hex[value >> 4];
            encoded += hex[value & 0x0F];
        }
    }
    return encoded;
}

std::string url_decode(const std::string& text) {
    std::string decoded;
    decoded.reserve(text.size());
    std::string::size_type i = 0;
    while (i < text.size()) {
        if (text[i] == '+') {
            decoded += ' ';
            ++i;
        } else if (text[i] == '%' && i + 2 < text.size()) {
            // strtol rules on exactly two characters: leading blanks and a sign count.
            const char digits[3] = {text[i + 1], text[i + 2], '\0'};
            char* end = nullptr;
            const long value = std::strtol(digits, &end, 16);
            if (end == digits + 2 && value >= 0 && value <= 255)
                decoded += static_cast<char>(value);
            else
                decoded.append(text, i, 3);
            i += 3;
        } else {
            decoded += text[i];
            ++i;
        }
    }
    return decoded;
}

}  // namespace utility
