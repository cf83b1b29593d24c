#include "xml_access_library/fallback_encodings.h"

#include <cstring>
#include <string>
#include <string_view>

#include "platform/text_codec.h"

namespace xml_access_library::detail {
namespace {

constexpr char handler_name[] = "CP932";
constexpr int worst_output_per_byte = 3;  // a half-width katakana byte is 3 bytes of UTF-8

constexpr char32_t highest_code_point = 0x10FFFF;

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

// Appends `c` as UTF-8 when it fits in `room` bytes; the bytes written, or 0.
int put_utf8(char32_t c, unsigned char* out, int room) {
    const int size = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    if (size > room) return 0;
    static constexpr unsigned char lead[] = {0, 0x00, 0xC0, 0xE0, 0xF0};
    for (int i = size - 1; i > 0; --i, c >>= 6)
        out[i] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    out[0] = static_cast<unsigned char>(lead[size] | c);
    return size;
}

template <bool big_endian>
int decode_utf32(unsigned char* out, int* outlen, const unsigned char* in, int* inlen) {
    int read = 0;
    int written = 0;
    int result = 0;
    while (read + 4 <= *inlen) {
        const unsigned char* u = in + read;
        const char32_t c =
            big_endian ? char32_t(u[0]) << 24 | char32_t(u[1]) << 16 | char32_t(u[2]) << 8 | u[3]
                       : char32_t(u[3]) << 24 | char32_t(u[2]) << 16 | char32_t(u[1]) << 8 | u[0];
        if (c > highest_code_point || (c >= 0xD800 && c <= 0xDFFF)) {
            result = -2;
            break;
        }
        const int size = put_utf8(c, out + written, *outlen - written);
        if (size == 0) break;
        written += size;
        read += 4;
    }
    *inlen = read;
    *outlen = written;
    return result < 0 ? result : written;
}

}  // namespace

int decode_utf32le(unsigned char* out, int* outlen, const unsigned char* in, int* inlen) {
    return decode_utf32<false>(out, outlen, in, inlen);
}

int decode_utf32be(unsigned char* out, int* outlen, const unsigned char* in, int* inlen) {
    return decode_utf32<true>(out, outlen, in, inlen);
}

void register_utf32_handlers() {
    const struct {
        const char* name;
        xmlCharEncodingInputFunc decode;
    } handlers[] = {{"UTF-32LE", decode_utf32le}, {"UTF-32BE", decode_utf32be}};
    for (const auto& handler : handlers) {
        if (xmlCharEncodingHandlerPtr own = xmlFindCharEncodingHandler(handler.name)) {
            xmlCharEncCloseFunc(own);
            continue;
        }
        xmlNewCharEncodingHandler(handler.name, handler.decode, nullptr);
    }
}

int decode_code_page_932(unsigned char* out, int* outlen, const unsigned char* in, int* inlen) {
    const int taken = whole_characters(in, *inlen, *outlen);
    std::u16string text;
    std::string utf8;
    const std::string_view bytes(reinterpret_cast<const char*>(in),
                                 static_cast<std::size_t>(taken));
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
