#pragma once
// Where the running program lies on disk.
#include <string>

namespace platform {

// The full path of the running executable, never cut; empty when the system cannot tell.
std::u16string executable_path();

}  // namespace platform
