#pragma once
// How file names are spelled on this system when they are handed to other programs.

namespace platform {

// True where "\" separates folders as "/" does (Windows); elsewhere it is an ordinary
// character of a file name and must be left alone.
bool backslash_separates_folders();

// True where every program receives file names on its command line as the UTF-8 bytes
// the file system uses (POSIX); false where a program that does not read its arguments
// as UTF-8 gets them in the ANSI code page (Windows).
bool command_line_file_names_are_utf8();

}  // namespace platform
