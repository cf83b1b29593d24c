#pragma once
// The processing request the Run command sends: the text to look up and the proxy.
#include <string>

#include "engine/vuro_plugin_request_data.h"
#include "utility/direct_settings.h"

namespace vuro_plugin {

// Sets the host-side constants, the composition text (at most the field's capacity) and,
// when the proxy is on, its address (only if it fits the 512 units in use), port and,
// with authentication on, user name and password (only if each fits its field).
void fill_processing_request(vuro_plugin_request_processing_data& request,
                             const std::u16string& text,
                             const utility::direct_settings_values& settings);

}  // namespace vuro_plugin
