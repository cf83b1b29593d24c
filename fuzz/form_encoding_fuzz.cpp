// Form encoding of script arguments: decoding gives back every byte string encoded, the
// encoder writes only its own alphabet, and arbitrary text decodes without fault and never
// grows.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/support/fuzz_check.h"
#include "utility/url_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using fuzz_support::require;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string encoded = utility::url_encode(bytes);
    require(encoded.find_first_not_of("%+._-0123456789ABCDEF") == std::string::npos,
            "the encoder writes only %XX, + and the three plain characters");
    require(utility::url_decode(encoded) == bytes, "decode(encode(x)) == x");

    const std::string decoded = utility::url_decode(bytes);
    require(decoded.size() <= bytes.size(), "decoding never grows a text");
    if (bytes.find_first_of("%+") == std::string::npos)
        require(decoded == bytes, "a text without % and + decodes to itself");
    return 0;
}
