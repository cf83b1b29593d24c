#pragma once
// Opening a file named by a UTF-16 path with the C library's stream functions.
#include <cstdio>
#include <string_view>

namespace platform {

// std::fopen for a UTF-16 path (UTF-8 on POSIX, the wide-character call on Windows,
// so names outside the ANSI code page open too). Null on failure, including a path the
// system cannot express.
std::FILE* open_file(std::u16string_view path, const char* mode);

}  // namespace platform
