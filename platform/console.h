#pragma once
// What a console program needs to read and write UTF-8 on every system.
#include <string>
#include <vector>

namespace platform {

// The program's arguments after its name, in UTF-8. Where command lines are UTF-16
// (Windows) they are read from the system rather than from `argv`, which the C runtime
// has already squeezed into the ANSI code page.
std::vector<std::string> command_line_arguments(int argc, char** argv);

// Makes std::cout and std::cerr carry UTF-8 bytes unchanged: into a file or a pipe as
// they are, with no line-end translation, and onto a console as the characters they
// spell, whatever the console's code page.
void use_utf8_standard_streams();

}  // namespace platform
