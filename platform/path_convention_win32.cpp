#include "platform/path_convention.h"

namespace platform {

bool backslash_separates_folders() { return true; }

bool command_line_file_names_are_utf8() { return false; }

}  // namespace platform
