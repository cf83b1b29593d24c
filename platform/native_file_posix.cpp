#include "platform/native_file.h"

#include <string>

#include "platform/text_codec.h"

namespace platform {

std::FILE* open_file(std::u16string_view path, const char* mode) {
    std::string native;
    if (!utf16_to_bytes(code_page::utf8, path, native) || native.find('\0') != std::string::npos)
        return nullptr;
    return std::fopen(native.c_str(), mode);
}

}  // namespace platform
