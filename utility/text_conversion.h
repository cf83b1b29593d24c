#pragma once
// Encoding conversion and case handling. Every function reads its input up to the first
// NUL, as the Windows converters do with a NUL-terminated buffer.
#include <string>

namespace utility {

// Throw std::runtime_error("::MultiByteToWideChar() : failed") when the converter fails.
std::u16string ansi_to_utf16(const std::string& text);
std::u16string utf8_to_utf16(const std::string& text);
// An interpreter's output, which may mix UTF-8 with the ANSI code page (Ruby on Windows
// writes a file name it could not load in the ANSI code page): valid UTF-8 as UTF-8, and
// each stretch of bytes that is not, up to the next byte below '@' (no code page's second
// byte of a character), in the ANSI code page.
std::u16string output_to_utf16(const std::string& text);

// Throw std::runtime_error("::WideCharToMultiByte() : failed") when the converter fails.
std::string utf16_to_ansi(const std::u16string& text);
std::string utf16_to_utf8(const std::u16string& text);

// Narrow form: ASCII letters only, so UTF-8 text stays valid.
std::string to_upper(const std::string& text);
// UTF-16 form: simple upper-case mapping of each code unit.
std::u16string to_upper(const std::u16string& text);

bool equal_no_case(const std::u16string& left, const std::u16string& right);

}  // namespace utility
