#pragma once
// A libxml2 input decoder for code page 932 (Shift_JIS as Windows writes it) over the
// system's text codec, for builds of libxml2 that have no converter of their own.
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

}  // namespace xml_access_library::detail
