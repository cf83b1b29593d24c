#pragma once
// Conversions between byte strings and UTF-16, with the substitution rules of the
// Windows code-page converter: invalid UTF-8 and lone surrogates become U+FFFD,
// characters the ANSI code page cannot hold become "?".
#include <string>
#include <string_view>

namespace platform {

enum class code_page {
    utf8,
    // The codeset of the user's locale (LC_ALL, LC_CTYPE, LANG); a C or POSIX locale
    // counts as UTF-8, and so does a codeset that cannot be opened. On Windows the
    // system's ANSI code page.
    ansi,
    // Shift_JIS as Windows reads it (code page 932), whatever the locale.
    shift_jis,
};

// Each returns false only when the converter itself cannot be used; the output is
// then left empty.
bool bytes_to_utf16(code_page page, std::string_view bytes, std::u16string& out);
bool utf16_to_bytes(code_page page, std::u16string_view text, std::string& out);

// The name of the codeset that code_page::ansi stands for at this moment ("UTF-8", or
// an ICU converter name such as "eucJP"; "windows-<number>" on Windows).
std::string ansi_codeset_name();

// Simple (one code unit to one code unit) upper-case mapping.
char16_t to_upper_code_unit(char16_t unit);

}  // namespace platform
