// The stored proxy credential, read from a registry value anyone can edit: any blob reads
// without fault as a text without NUL, and every text the program stores reads back as
// itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/fuzz_check.h"
#include "utility/credential_scramble.h"

namespace {

bool survives_code_page(const std::u16string& text) {
    if (text.find(u'\0') != std::u16string::npos) return false;  // the text ends there
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
        const bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            ++i;
        } else if (high || low) {
            return false;  // becomes "?"
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using fuzz_support::require;
    FuzzedDataProvider input(data, size);

    const std::u16string text = fuzz_support::consume_utf16(input, 300);
    const auto seed = input.ConsumeIntegral<std::uint32_t>();
    const std::vector<std::uint8_t> stored = utility::scramble_credential(text, seed);
    require(stored.size() >= 32 && stored.size() % 8 == 0, "a stored blob is whole blocks");
    if (survives_code_page(text))
        require(utility::read_scrambled_credential(stored) == text, "a stored text reads back");

    const std::vector<std::uint8_t> blob = input.ConsumeRemainingBytes<std::uint8_t>();
    const std::u16string read = utility::read_scrambled_credential(blob);
    require(read.find(u'\0') == std::u16string::npos, "a credential read holds no NUL");
    return 0;
}
