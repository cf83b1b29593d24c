#pragma once
// The stored form of the proxy credentials: the text in the ANSI code page after 20 zero
// bytes and before one, cut into 8-byte blocks whose bytes are permuted and complemented.
// An 8-byte header carries the permutation (masked), the first source block is dropped in
// its favour, and 8 zero bytes close the blob. This hides the text from a casual look; it
// is no protection against anyone who reads this code.
#include <cstdint>
#include <string>
#include <vector>

namespace utility {

// Throws "::WideCharToMultiByte() : failed" when the text cannot be converted.
std::vector<std::uint8_t> scramble_credential(const std::u16string& text);
// The same with the permutation drawn from a generator seeded with `seed`.
std::vector<std::uint8_t> scramble_credential(const std::u16string& text, std::uint32_t seed);

// Restores the source bytes in place (the header becomes zero). False, with the blob left
// unspecified, when it is empty, not a multiple of 8 long, or its header is no permutation.
bool unscramble_credential(std::vector<std::uint8_t>& blob);

// The credential of a stored blob: empty when it does not unscramble or holds no text.
// Throws "::MultiByteToWideChar() : failed" when the text cannot be converted.
std::u16string read_scrambled_credential(std::vector<std::uint8_t> blob);

}  // namespace utility
