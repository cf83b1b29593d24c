#pragma once
#include <string>

namespace utility {

// SHA-1 as 40 upper-case hex characters; an empty string for an empty input or when
// the digest service fails. Never throws.
std::string sha1_hex(const std::string& bytes);

}  // namespace utility
