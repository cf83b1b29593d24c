#pragma once
#include <string>

namespace vuro_plugin {

// A fresh bridge file name: the SHA-1 (40 upper-case hex characters) of
// "vuro_direct_script_" and a random number from 0 to 32767, followed by `extension`.
// Empty when a file of that name already exists in `folder` (which ends with a path
// separator) or no digest could be made.
std::u16string create_temporary_file_name(const std::u16string& folder,
                                          const std::u16string& extension);

}  // namespace vuro_plugin
