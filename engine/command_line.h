#pragma once
// The interpreter's command line, kept as an argument vector.
#include <string>
#include <vector>

#include "engine/script_instance_data.h"

namespace vuro_plugin {

// The plug-in path as the bridge expects it, form-encoded: slashes for backslashes where
// a backslash separates folders; in UTF-8 where programs take file names so, or when the
// interpreter is exactly "python", and in the ANSI code page otherwise. Conversion errors
// ("::WideCharToMultiByte() : failed") pass to the caller.
std::u16string encode_script_path(const std::u16string& script_path,
                                  const std::u16string& interpreter);

// interpreter, bridge file name, encoded plug-in path, the method unless it is empty,
// then `arguments` unchanged.
std::vector<std::u16string> build_command_line(const script_instance_data& data,
                                               const std::u16string& bridge_file_name,
                                               const std::u16string& method,
                                               const std::vector<std::u16string>& arguments);

// The single-string form of a command line: the first word bare, every other value as a
// blank, a double quote, the value and a double quote. Nothing is escaped: the values
// that reach a bridge's command line hold no double quote.
std::u16string render_command_line(const std::vector<std::u16string>& command_line);

}  // namespace vuro_plugin
