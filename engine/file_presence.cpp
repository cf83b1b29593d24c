#include "engine/file_presence.h"

#include <filesystem>
#include <system_error>

#include "utility/text_conversion.h"

namespace vuro_plugin {
namespace {

std::filesystem::path native(const std::u16string& path) {
    return std::filesystem::u8path(utility::utf16_to_utf8(path));
}

}  // namespace

bool file_exists(const std::u16string& path) {
    std::error_code error;
    return std::filesystem::exists(native(path), error);
}

void remove_file(const std::u16string& path) noexcept {
    try {
        std::error_code ignored;
        std::filesystem::remove(native(path), ignored);
    } catch (...) {
    }
}

}  // namespace vuro_plugin
