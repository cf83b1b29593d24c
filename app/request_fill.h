#pragma once
// The requests the front end sends a plug-in: the text to look up and the proxy of the
// direct-plug-in settings.
#include <string>

#include "engine/plugin_request.h"
#include "utility/direct_settings.h"

namespace vuro_plugin {

// Sets the host-side constants, the composition text and the proxy: when the proxy is on,
// its address (only if it fits the 512 units in use; else none) and port, and when
// authentication is on too, the user name and password (each only if it fits its field).
// A composition text longer than its field is cut; the Run command never sends one.
void fill_processing_request(processing_request& request, const std::u16string& text,
                             const utility::direct_settings_values& settings);

// The same for a callback: the confirmed candidate, the composition text it was found
// for, and the proxy.
void fill_callback_request(callback_request& request, const std::u16string& candidate,
                           const std::u16string& text,
                           const utility::direct_settings_values& settings);

}  // namespace vuro_plugin
