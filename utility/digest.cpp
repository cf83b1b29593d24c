#include "utility/digest.h"

#include "platform/sha1.h"

namespace utility {

std::string sha1_hex(const std::string& bytes) {
    if (bytes.empty()) return {};
    platform::sha1_digest digest{};
    if (!platform::sha1(bytes, digest)) return {};
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(digest.size() * 2);
    for (const auto byte : digest) {
        text += hex[byte >> 4];
        text += hex[byte & 0x0F];
    }
    return text;
}

}  // namespace utility
