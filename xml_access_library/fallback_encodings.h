#pragma once
// libxml2 input decoders for the encodings a build of libxml2 without converters of its
// own (the Windows build) lacks: code page 932 (Shift_JIS as Windows writes it) over the
// system's text codec, and UTF-32.
#include <libxml/encoding.h>

namespace xml_access_library::detail {

// Decodes the longest run of whole characters from `in` that surely fits in `out`
// (three bytes of UTF-8 per input byte at most). On return `*inlen` holds the bytes
// consumed and `*outlen` the bytes written; a lead byte at the very end waits for its
// trail byte in the next call. Invalid bytes decode to substitutes, as the system does.
// Returns the bytes written, or -2 when the codec fails.
int decode_code_page_932(unsigned char* out, int* outlen, const unsigned char* in, int* inlen);

// The registered handler named "CP932": libxml2's own when it has one, else one over
// decode_code_page_932 (decoding only: documents are never written). Null when libxml2
// refuses the registration.
xmlCharEncodingHandlerPtr code_page_932_handler();

// UTF-32 little- and big-endian: whole units that fit in `out`; a unit that is no
// character (a surrogate, or above U+10FFFF) stops the decoding with -2.
int decode_utf32le(unsigned char* out, int* outlen, const unsigned char* in, int* inlen);
int decode_utf32be(unsigned char* out, int* outlen, const unsigned char* in, int* inlen);

// Registers "UTF-32LE" and "UTF-32BE" over the decoders above where libxml2 has none.
void register_utf32_handlers();

}  // namespace xml_access_library::detail
