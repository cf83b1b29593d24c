#include "platform/executable_path.h"

#include <filesystem>
#include <system_error>

#include "platform/text_codec.h"

namespace platform {

std::u16string executable_path() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    std::u16string text;
    if (error || !bytes_to_utf16(code_page::utf8, path.native(), text)) return {};
    return text;
}

}  // namespace platform
