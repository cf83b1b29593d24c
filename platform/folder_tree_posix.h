#pragma once
// Folder helpers shared by the POSIX implementations.
#include <string>

namespace platform {

bool is_folder(const std::string& path);

// Creates the folder and whatever parents it lacks (mode 0700); true when it is a folder
// afterwards. Ends at the first component, so a relative path ends too.
bool make_folder_tree(const std::string& path);

}  // namespace platform
