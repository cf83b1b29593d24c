#pragma once
// Runs the stored bridges with their real interpreters for the end-to-end tests, and the
// helpers that build bridge arguments the way the plug-in operations do.
#include <string>
#include <vector>

#include "engine/script_language.h"
#include "tests/support/scratch.h"

namespace bridge_test {

struct bridge_output {
    std::string standard_output;
    std::string standard_error;
};

// The languages whose interpreters run here, in table order: all three on Linux; under
// Windows only Ruby, the one Windows interpreter the build machine can make.
const std::vector<vuro_plugin::script_language>& languages();
bool runs_here(const vuro_plugin::script_language& language);

// "pl", "rb" or "py".
std::string extension_of(const vuro_plugin::script_language& language);

// The fixture plug-in `name` (without extension) of the language.
std::u16string fixture_path(const std::string& name, const vuro_plugin::script_language& language);

// One text argument: UTF-8, form-encoded.
std::u16string text_argument(const std::string& utf8);
std::u16string port_argument(int port);

// The arguments of a processing (or callback) call: the two leading texts, the proxy
// fields, and the path when `path` is not null.
std::vector<std::u16string> request_arguments(const std::string& first, const std::string& second,
                                              const std::string& proxy_name, int proxy_port,
                                              const std::string& proxy_username,
                                              const std::string& proxy_password,
                                              const char* path = nullptr);

// One call through run_script; the run must complete (no message, output stored).
bridge_output run_bridge(const vuro_plugin::script_language& language,
                         const std::u16string& plugin_path, const std::u16string& method,
                         const std::vector<std::u16string>& arguments);

// One run without run_script's checks, for a plug-in path that need not exist: the
// bridge is written to a scratch folder and started with the same argument vector.
bridge_output run_bridge_directly(const vuro_plugin::script_language& language,
                                  const std::u16string& plugin_path, const std::u16string& method,
                                  const std::vector<std::u16string>& arguments);

// As run_bridge_directly, with the plug-in path argument given as it is to be passed.
bridge_output run_bridge_with_encoded_path(const vuro_plugin::script_language& language,
                                           const std::u16string& encoded_path,
                                           const std::u16string& method,
                                           const std::vector<std::u16string>& arguments);

// Number of characters of a UTF-8 text.
std::size_t characters(const std::string& utf8);

}  // namespace bridge_test
