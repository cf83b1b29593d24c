#pragma once
// The full path of the running program's executable file.
#include <string>

namespace platform {

// UTF-16, the native form (backslashes on Windows); empty when it cannot be determined.
std::u16string executable_path();

}  // namespace platform
