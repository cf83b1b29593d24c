#include "platform/console.h"

namespace platform {

// Arguments and streams are bytes already; the locale decides how a terminal shows them.
std::vector<std::string> command_line_arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void use_utf8_standard_streams() {}

}  // namespace platform
