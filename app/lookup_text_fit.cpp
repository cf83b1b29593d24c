#include "app/lookup_text_fit.h"

namespace vuro_plugin {
namespace {

bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Whether a boundary at `at` falls between the two halves of a pair.
bool splits_pair(const std::u16string& text, std::size_t at) {
    return at > 0 && at < text.size() && is_high_surrogate(text[at - 1]) &&
           is_low_surrogate(text[at]);
}

}  // namespace

bool fit_lookup_text(std::u16string& text, std::size_t& cursor, std::size_t capacity) {
    if (text.size() <= capacity) return false;
    const std::size_t excess = text.size() - capacity;
    // A cursor with less than the excess before it did not end the insertion: the tail goes.
    std::size_t end = cursor >= excess && cursor <= text.size() ? cursor : text.size();
    std::size_t start = end - excess;
    if (splits_pair(text, start)) --start;
    if (splits_pair(text, end)) ++end;
    text.erase(start, end - start);
    cursor = start;
    return true;
}

}  // namespace vuro_plugin
