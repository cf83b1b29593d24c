#pragma once
// What the fuzz targets share: a broken invariant prints what broke and aborts, so that
// libFuzzer keeps the input that broke it; and UTF-16 texts drawn from the input.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace fuzz_support {

inline void require(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}

// Two byte strings that must be equal; when they differ both are printed, bytes outside
// printable ASCII as \xNN.
inline void require_same(const std::string& found, const std::string& expected,
                         const char* invariant) {
    if (found == expected) return;
    for (const std::string* text : {&found, &expected}) {
        std::fputs(text == &found ? "found:    " : "expected: ", stderr);
        for (const char byte : *text) {
            const auto unit = static_cast<unsigned char>(byte);
            if (unit >= 0x20 && unit < 0x7F)
                std::fputc(byte, stderr);
            else
                std::fprintf(stderr, "\\x%02X", unit);
        }
        std::fputc('\n', stderr);
    }
    require(false, invariant);
}

// Up to `max_units` code units of any value, NULs and unpaired surrogates included. Half
// of them come from a short list of units that the texts treat specially, which random
// values would hardly ever hit.
inline std::u16string consume_utf16(FuzzedDataProvider& input, std::size_t max_units) {
    static constexpr char16_t special[] = {
        0,    u'\\', u'n',  0x1B,  0x05, 0x04, u'&',      u'<',   u'>',   u'"',   u'\'',
        u' ', u'\n', u'\r', u'\t', u'a', u'h', u'\u3042', 0xD83D, 0xDE00, 0xFFFE, 0xFFFF};
    const std::size_t units = input.ConsumeIntegralInRange<std::size_t>(0, max_units);
    std::u16string text;
    text.reserve(units);
    for (std::size_t i = 0; i < units && input.remaining_bytes() > 0; ++i)
        text.push_back(input.ConsumeBool() ? input.PickValueInArray(special)
                                           : input.ConsumeIntegral<char16_t>());
    return text;
}

// True, once it has checked that the document class refuses it, when `text` is empty.
template <class Document>
bool refused_when_empty(const std::string& text) {
    if (!text.empty()) return false;
    try {
        Document refused(text);
        require(false, "an empty text is refused");
    } catch (const std::runtime_error&) {
    }
    return true;
}

}  // namespace fuzz_support
