#pragma once
// The arguments of the plug-in calls as the bridges read them: every text as its UTF-8
// bytes, form-encoded; the port as a plain decimal number. Lengths read from a request
// are clamped to their fields. Conversion errors ("::WideCharToMultiByte() : failed")
// pass to the caller.
#include <string>
#include <vector>

#include "engine/plugin_request.h"

namespace vuro_plugin {

std::u16string text_argument(const std::u16string& text);

// composition, reading, proxy address, port, user name, password.
std::vector<std::u16string> processing_arguments(const processing_request& request);

// confirmed candidate, composition, proxy address, port, user name, password.
std::vector<std::u16string> callback_arguments(const callback_request& request);

// The plug-in's preference folder (created if needed) with slashes, as a text argument.
// Throws the errors of utility::create_plugin_preference_path.
std::u16string preference_path_argument(const std::u16string& plugin_name);

}  // namespace vuro_plugin
