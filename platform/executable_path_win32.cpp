#include "platform/executable_path.h"

#include <windows.h>

namespace platform {

std::u16string executable_path() {
    // The path may be longer than MAX_PATH (long-path aware systems): grow until it fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) return {};
        if (length < size) return std::u16string(buffer.begin(), buffer.begin() + length);
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform
