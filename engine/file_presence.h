#pragma once
// File existence and deletion for UTF-16 paths.
#include <string>

namespace vuro_plugin {

// True when anything (a file or a folder) exists at `path`.
bool file_exists(const std::u16string& path);

// Deletes the file; a failure is ignored.
void remove_file(const std::u16string& path) noexcept;

}  // namespace vuro_plugin
