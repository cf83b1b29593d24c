#include "platform/text_codec.h"

#include <climits>

#include <windows.h>

namespace platform {
namespace {

constexpr UINT shift_jis_code_page = 932;

UINT windows_code_page(code_page page) {
    switch (page) {
        case code_page::utf8: return CP_UTF8;
        case code_page::shift_jis: return shift_jis_code_page;
        case code_page::ansi: break;
    }
    return CP_ACP;
}

const wchar_t* as_wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* as_wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

}  // namespace

std::string ansi_codeset_name() {
    const UINT page = ::GetACP();
    return page == CP_UTF8 ? "UTF-8" : "windows-" + std::to_string(page);
}

// Invalid input is substituted (U+FFFD, or the code page's default character), never
// refused: no MB_ERR_INVALID_CHARS.
bool bytes_to_utf16(code_page page, std::string_view bytes, std::u16string& out) {
    out.clear();
    if (bytes.empty()) return true;
    if (bytes.size() > INT_MAX) return false;
    const UINT windows_page = windows_code_page(page);
    const DWORD flags = page == code_page::ansi ? MB_PRECOMPOSED : 0;
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(windows_page, flags, bytes.data(), size, nullptr, 0);
    if (length <= 0) return false;
    out.resize(static_cast<std::size_t>(length));
    if (::MultiByteToWideChar(windows_page, flags, bytes.data(), size, as_wide(out.data()),
                              length) != length) {
        out.clear();
        return false;
    }
    return true;
}

// A legacy code page maps what it cannot hold to its default character ("?") rather
// than to a look-alike: a best-fit mapping can turn a harmless character into a path
// separator or a quote.
bool utf16_to_bytes(code_page page, std::u16string_view text, std::string& out) {
    out.clear();
    if (text.empty()) return true;
    if (text.size() > INT_MAX) return false;
    const UINT windows_page = windows_code_page(page);
    const DWORD flags = windows_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int size = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(windows_page, flags, as_wide(text.data()), size,
                                             nullptr, 0, nullptr, nullptr);
    if (length <= 0) return false;
    out.resize(static_cast<std::size_t>(length));
    if (::WideCharToMultiByte(windows_page, flags, as_wide(text.data()), size, out.data(), length,
                              nullptr, nullptr) != length) {
        out.clear();
        return false;
    }
    return true;
}

char16_t to_upper_code_unit(char16_t unit) {
    wchar_t buffer = static_cast<wchar_t>(unit);
    ::CharUpperBuffW(&buffer, 1);
    return static_cast<char16_t>(buffer);
}

}  // namespace platform
