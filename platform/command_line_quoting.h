#pragma once
// The command line of a Windows process, written so that the C runtime's parser (and
// CommandLineToArgvW) reads back exactly the given arguments.
#include <string>
#include <vector>

namespace platform {

// `arguments[0]` is the program: quoted when it holds a blank, never escaped (the
// system reads the program name up to the closing quote). Every other argument follows
// a blank in quotes, with each quote escaped and backslash runs doubled where they
// precede a quote or the closing quote; a plain word is thus written as "word".
std::u16string quote_command_line(const std::vector<std::u16string>& arguments);

}  // namespace platform
