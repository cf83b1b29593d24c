#include "utility/credential_scramble.h"

#include <array>
#include <ctime>
#include <random>

#include "utility/text_conversion.h"

namespace utility {
namespace {

constexpr std::size_t block = 8;
constexpr std::size_t leading_zeros = 20;
constexpr std::uint8_t header_mask = 0xA7;

using permutation = std::array<std::uint8_t, block>;

std::uint8_t encode_entry(std::uint8_t entry) {
    return static_cast<std::uint8_t>(~(entry + header_mask));
}

std::uint8_t decode_entry(std::uint8_t byte) {
    return static_cast<std::uint8_t>(static_cast<std::uint8_t>(~byte) - header_mask);
}

// Each entry is drawn from the values not yet taken, in ascending order.
permutation draw_permutation(std::uint32_t seed) {
    std::minstd_rand generator(seed);
    std::vector<std::uint8_t> remaining = {0, 1, 2, 3, 4, 5, 6, 7};
    permutation drawn{};
    for (std::size_t i = 0; i < block; ++i) {
        const std::size_t pick = generator() % remaining.size();
        drawn[i] = remaining[pick];
        remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(pick));
    }
    return drawn;
}

}  // namespace

std::vector<std::uint8_t> scramble_credential(const std::u16string& text) {
    return scramble_credential(text, static_cast<std::uint32_t>(std::time(nullptr)));
}

std::vector<std::uint8_t> scramble_credential(const std::u16string& text, std::uint32_t seed) {
    std::string source(leading_zeros, '\0');
    source += utf16_to_ansi(text);
    source.push_back('\0');
    const permutation order = draw_permutation(seed);
    const std::size_t blocks = (source.size() + block - 1) / block;
    std::vector<std::uint8_t> blob((blocks + 1) * block, 0);
    for (std::size_t start = 0; start < blocks * block; start += block) {
        for (std::size_t i = 0; i < block; ++i) {
            const std::size_t from = start + order[i];
            blob[start + i] =
                from < source.size() ? static_cast<std::uint8_t>(~source[from]) : 0xFF;
        }
    }
    for (std::size_t i = 0; i < block; ++i) blob[i] = encode_entry(order[i]);
    return blob;
}

bool unscramble_credential(std::vector<std::uint8_t>& blob) {
    if (blob.empty() || blob.size() % block != 0) return false;
    permutation inverse{};
    std::array<bool, block> seen{};
    for (std::size_t i = 0; i < block; ++i) {
        const std::uint8_t entry = decode_entry(blob[i]);
        if (entry >= block) return false;
        inverse[entry] = static_cast<std::uint8_t>(i);
        seen[entry] = true;
    }
    // A header that repeats an entry would leave source bytes unrestored.
    for (bool each : seen)
        if (!each) return false;
    std::array<std::uint8_t, block> restored{};
    for (std::size_t start = block; start + block < blob.size(); start += block) {
        for (std::size_t j = 0; j < block; ++j)
            restored[j] = static_cast<std::uint8_t>(~blob[start + inverse[j]]);
        std::copy(restored.begin(), restored.end(),
                  blob.begin() + static_cast<std::ptrdiff_t>(start));
    }
    std::fill(blob.begin(), blob.begin() + block, 0);
    return true;
}

std::u16string read_scrambled_credential(std::vector<std::uint8_t> blob) {
    if (blob.empty() || !unscramble_credential(blob) || blob.size() <= leading_zeros) return {};
    // ansi_to_utf16 stops at the first zero byte.
    return ansi_to_utf16(std::string(blob.begin() + leading_zeros, blob.end()));
}

}  // namespace utility
