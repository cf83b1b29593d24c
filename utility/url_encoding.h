#pragma once
// Form encoding of script arguments: every byte as "%XX" (upper-case hex) except
// ".", "_" and "-", the blank as "+".
#include <string>

namespace utility {

std::string url_encode(const std::string& bytes);

// Inverse of url_encode for everything it produces; malformed escapes pass through.
std::string url_decode(const std::string& text);

}  // namespace utility
