#include "platform/path_convention.h"

namespace platform {

bool backslash_separates_folders() { return false; }

bool command_line_file_names_are_utf8() { return true; }

}  // namespace platform
