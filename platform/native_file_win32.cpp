#include "platform/native_file.h"

#include <string>

namespace platform {

std::FILE* open_file(std::u16string_view path, const char* mode) {
    if (path.find(u'\0') != std::u16string_view::npos) return nullptr;
    const std::wstring wide(path.begin(), path.end());
    const std::string narrow_mode(mode);
    const std::wstring wide_mode(narrow_mode.begin(), narrow_mode.end());
    return ::_wfopen(wide.c_str(), wide_mode.c_str());
}

}  // namespace platform
