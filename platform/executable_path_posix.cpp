#include "platform/executable_path.h"

#include <filesystem>
#include <system_error>

#include "platform/text_codec.h"

namespace platform {

std::u16string executable_path() {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink("/proc/self/exe", error);
    std::u16string path;
    if (error || !bytes_to_utf16(code_page::utf8, target.native(), path)) return {};
    return path;
}

}  // namespace platform
