#pragma once
#include <string>

namespace vuro_plugin {

// A fresh bridge file name: the SHA-1 (40 upper-case hex characters) of
// "vuro_direct_script_" and a random number from 0 to 32767, followed by `extension`.
// Empty when a file of that name already exists in `folder` (which ends with a path
// separator) or no digest could be made.
//
// A name given out is held for this process until release_temporary_file_name: a draw
// that meets a name another thread holds draws again, so parallel runs in one process
// never share a bridge file (whose first finisher would delete it under the others).
std::u16string create_temporary_file_name(const std::u16string& folder,
                                          const std::u16string& extension);

// Lets go of a name create_temporary_file_name gave out, once its file is deleted.
void release_temporary_file_name(const std::u16string& folder, const std::u16string& name);

}  // namespace vuro_plugin
