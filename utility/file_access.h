#pragma once
#include <string>

namespace utility {

// The file's bytes up to its first zero byte.
// Throws std::runtime_error("utility::read_file() : fault.") when it cannot be opened.
std::string read_file(const std::u16string& path);

// Replaces the file with every byte of `data`, zero bytes included.
// Throws std::runtime_error("utility::write_file() : fault.") when it cannot be opened
// or not every byte reached it.
void write_file(const std::u16string& path, const std::string& data);

}  // namespace utility
