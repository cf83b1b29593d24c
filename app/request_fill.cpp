#include "app/request_fill.h"

namespace vuro_plugin {
namespace {

constexpr std::size_t proxy_address_in_use = 512;

// A text that does not fit is left out whole rather than cut: a cut address or password
// would reach the plug-in as a different, wrong one.
template <std::size_t capacity>
void assign_if_fits(char16_t (&field)[capacity], std::uint32_t& length, const std::u16string& text,
                    std::size_t limit = capacity) {
    if (text.size() <= limit) assign_request_text(field, length, text);
}

template <class Request>
void fill_proxy(Request& request, const utility::direct_settings_values& settings) {
    if (!settings.enable_proxy) return;
    assign_if_fits(request.proxy_address, request.proxy_address_length, settings.proxy_address,
                   proxy_address_in_use);
    request.proxy_port = static_cast<std::int32_t>(settings.proxy_port);
    if (!settings.enable_authentication) return;
    assign_if_fits(request.proxy_username, request.proxy_username_length, settings.proxy_username);
    assign_if_fits(request.proxy_password, request.proxy_password_length, settings.proxy_password);
}

}  // namespace

void fill_processing_request(processing_request& request, const std::u16string& text,
                             const utility::direct_settings_values& settings) {
    fill_host_constants(request);
    assign_request_text(request.composition_text, request.composition_length, text);
    fill_proxy(request, settings);
}

void fill_callback_request(callback_request& request, const std::u16string& candidate,
                           const std::u16string& text,
                           const utility::direct_settings_values& settings) {
    assign_request_text(request.candidate_text, request.candidate_length, candidate);
    assign_request_text(request.composition_text, request.composition_length, text);
    fill_proxy(request, settings);
}

}  // namespace vuro_plugin
