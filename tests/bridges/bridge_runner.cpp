#include "tests/bridges/bridge_runner.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/command_line.h"
#include "engine/execute_command.h"
#include "engine/run_script.h"
#include "engine/script_instance_data.h"
#include "utility/file_access.h"
#include "utility/text_conversion.h"
#include "utility/url_encoding.h"

namespace bridge_test {
namespace {

std::u16string widen(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

std::string narrow(const std::u16string& ascii) { return {ascii.begin(), ascii.end()}; }

vuro_plugin::script_instance_data instance_data(const vuro_plugin::script_language& language,
                                                const std::u16string& plugin_path,
                                                const test_support::scratch_folder& data_folder) {
    vuro_plugin::script_instance_data data;
    data.interpreter = language.interpreter;
    data.extension = language.extension;
    data.bridge_template = language.stored_bridge;
    data.script_path = plugin_path;
    data.data_folder = data_folder.u16() + u"/";
    data.file_name = plugin_path.substr(plugin_path.rfind(u'/') + 1);
    data.language_name = language.display_name;
    data.usable = true;
    return data;
}

std::string up_to_first_zero(const std::string& buffer) {
    return buffer.substr(0, buffer.find('\0'));
}

}  // namespace

const std::vector<vuro_plugin::script_language>& languages() {
#ifdef _WIN32
    static const std::vector<vuro_plugin::script_language> here{vuro_plugin::script_languages()[1]};
    return here;
#else
    return vuro_plugin::script_languages();
#endif
}

bool runs_here(const vuro_plugin::script_language& language) {
    for (const auto& here : languages())
        if (here.extension == language.extension) return true;
    return false;
}

std::string extension_of(const vuro_plugin::script_language& language) {
    return narrow(language.extension.substr(1));
}

// With its drive under Windows: the bridges run in a data folder on another drive.
std::u16string fixture_path(const std::string& name, const vuro_plugin::script_language& language) {
    const std::filesystem::path folder = std::filesystem::absolute(PLUGDEBUG_BRIDGE_FIXTURES);
    return widen(folder.generic_string() + "/" + name + "." + extension_of(language));
}

std::u16string text_argument(const std::string& utf8) { return widen(utility::url_encode(utf8)); }

std::u16string port_argument(int port) { return widen(std::to_string(port)); }

std::vector<std::u16string> request_arguments(const std::string& first, const std::string& second,
                                              const std::string& proxy_name, int proxy_port,
                                              const std::string& proxy_username,
                                              const std::string& proxy_password, const char* path) {
    std::vector<std::u16string> arguments{
        text_argument(first),      text_argument(second),         text_argument(proxy_name),
        port_argument(proxy_port), text_argument(proxy_username), text_argument(proxy_password)};
    if (path != nullptr) arguments.push_back(text_argument(path));
    return arguments;
}

bridge_output run_bridge(const vuro_plugin::script_language& language,
                         const std::u16string& plugin_path, const std::u16string& method,
                         const std::vector<std::u16string>& arguments) {
    const test_support::scratch_folder data_folder;
    auto data = instance_data(language, plugin_path, data_folder);
    const std::string result = vuro_plugin::run_script(method, arguments, data, true);
    EXPECT_TRUE(data.message.empty()) << utility::utf16_to_utf8(data.message);
    EXPECT_EQ(result, data.standard_output);
    EXPECT_TRUE(std::filesystem::is_empty(data_folder.path())) << "bridge file left behind";
    return {data.standard_output, data.standard_error};
}

bridge_output run_bridge_directly(const vuro_plugin::script_language& language,
                                  const std::u16string& plugin_path, const std::u16string& method,
                                  const std::vector<std::u16string>& arguments) {
    return run_bridge_with_encoded_path(
        language, vuro_plugin::encode_script_path(plugin_path, language.interpreter), method,
        arguments);
}

bridge_output run_bridge_with_encoded_path(const vuro_plugin::script_language& language,
                                           const std::u16string& encoded_path,
                                           const std::u16string& method,
                                           const std::vector<std::u16string>& arguments) {
    const test_support::scratch_folder data_folder;
    const std::u16string folder = data_folder.u16() + u"/";
    const std::u16string bridge_name = u"bridge" + language.extension;
    utility::write_file(folder + bridge_name, utility::url_decode(language.stored_bridge));
    std::vector<std::u16string> command_line{language.interpreter, bridge_name, encoded_path};
    if (!method.empty()) command_line.push_back(method);
    command_line.insert(command_line.end(), arguments.begin(), arguments.end());
    std::string out;
    std::string err;
    const auto result = vuro_plugin::execute_command(command_line, folder, out, err, true);
    EXPECT_EQ(result, vuro_plugin::command_result::completed);
    return {up_to_first_zero(out), up_to_first_zero(err)};
}

std::size_t characters(const std::string& utf8) { return utility::utf8_to_utf16(utf8).size(); }

}  // namespace bridge_test
