#include "xml_access_library/code_page_932_encoding.h"

#include <cstring>
#include <string>
#include <string_view>

#include "platform/text_codec.h"

namespace xml_access_library::detail {
namespace {

constexpr char handler_name[] = "CP932";
constexpr int worst_output_per_byte = 3;  // a half-width katakana byte is 3 bytes of UTF-8

bool is_lead_byte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Bytes of `in` that form whole characters and whose output fits in `room` bytes.
int whole_characters(const unsigned char* in, int length, int room) {
    const int limit = room / worst_output_per_byte;
    int taken = 0;
    while (taken < length) {
        const int width = is_lead_byte(in[taken]) ? 2 : 1;
        if (taken + width > length || taken + width > limit) break;
        taken += width;
    }
    return taken;
}

}  // namespace

int decode_code_page_932(unsigned char* out, int* outlen, const unsigned char* in, int* inlen) {
    const int taken = whole_characters(in, *inlen, *outlen);
    std::u16string text;
    std::string utf8;
    const std::string_view bytes(reinterpret_cast<const char*>(in), static_cast<std::size_t>(taken));
    if (!platform::bytes_to_utf16(platform::code_page::shift_jis, bytes, text) ||
        !platform::utf16_to_bytes(platform::code_page::utf8, text, utf8) ||
        utf8.size() > static_cast<std::size_t>(*outlen)) {
        *inlen = 0;
        *outlen = 0;
        return -2;
    }
    std::memcpy(out, utf8.data(), utf8.size());
    *inlen = taken;
    *outlen = static_cast<int>(utf8.size());
    return *outlen;
}

xmlCharEncodingHandlerPtr code_page_932_handler() {
    if (xmlCharEncodingHandlerPtr own = xmlFindCharEncodingHandler(handler_name)) return own;
    // Registers it as well; registered handlers live as long as the process.
    return xmlNewCharEncodingHandler(handler_name, decode_code_page_932, nullptr);
}

}  // namespace xml_access_library::detail
