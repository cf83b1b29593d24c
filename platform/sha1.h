#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace platform {

using sha1_digest = std::array<std::uint8_t, 20>;

// False when the digest service fails; the digest is then unspecified.
bool sha1(std::string_view bytes, sha1_digest& digest);

}  // namespace platform
