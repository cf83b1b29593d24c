#include "engine/command_line.h"

#include "platform/path_convention.h"
#include "text_escape/text_escape.h"
#include "utility/text_conversion.h"
#include "utility/url_encoding.h"

namespace vuro_plugin {

std::u16string encode_script_path(const std::u16string& script_path,
                                  const std::u16string& interpreter) {
    const std::u16string slashed = platform::backslash_separates_folders()
                                       ? text_escape::to_forward_slashes(script_path)
                                       : script_path;
    const bool utf8 = interpreter == u"python" || platform::command_line_file_names_are_utf8();
    const std::string bytes =
        utf8 ? utility::utf16_to_utf8(slashed) : utility::utf16_to_ansi(slashed);
    const std::string encoded = utility::url_encode(bytes);
    return std::u16string(encoded.begin(), encoded.end());
}

std::vector<std::u16string> build_command_line(const script_instance_data& data,
                                               const std::u16string& bridge_file_name,
                                               const std::u16string& method,
                                               const std::vector<std::u16string>& arguments) {
    std::vector<std::u16string> line;
    line.reserve(4 + arguments.size());
    line.push_back(data.interpreter);
    line.push_back(bridge_file_name);
    line.push_back(encode_script_path(data.script_path, data.interpreter));
    if (!method.empty()) line.push_back(method);
    line.insert(line.end(), arguments.begin(), arguments.end());
    return line;
}

std::u16string render_command_line(const std::vector<std::u16string>& command_line) {
    std::u16string text;
    for (size_t i = 0; i < command_line.size(); ++i) {
        if (i == 0) {
            text += command_line[i];
        } else {
            text += u" \"";
            text += command_line[i];
            text += u'"';
        }
    }
    return text;
}

}  // namespace vuro_plugin
