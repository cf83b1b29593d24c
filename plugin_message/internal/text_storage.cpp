#include "plugin_message/internal/text_storage.h"

#include <algorithm>
#include <stdexcept>

namespace text_storage {

std::u16string bounded(const unsigned short* text, unsigned int length, unsigned int limit) {
    const unsigned int count = std::min(length, limit);
    if (count == 0) return {};
    if (text == nullptr) throw std::invalid_argument("null text");
    const unsigned short* end = std::find(text, text + count, 0);
    return std::u16string(text, end);
}

bool copy_out(const std::u16string& value, unsigned short* buffer, unsigned int size) {
    if (size < value.size()) return false;
    if (value.empty()) return true;
    if (buffer == nullptr) return false;
    std::copy(value.begin(), value.end(), buffer);
    return true;
}

}  // namespace text_storage
