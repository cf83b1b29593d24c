#include "engine/bridge_arguments.h"

#include "text_escape/text_escape.h"
#include "utility/data_folder.h"
#include "utility/text_conversion.h"
#include "utility/url_encoding.h"

namespace vuro_plugin {
namespace {

std::u16string widen(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

std::u16string port_argument(std::int32_t port) { return widen(std::to_string(port)); }

// The two leading texts, then the four proxy arguments, which both calls end with.
template <typename request_type>
std::vector<std::u16string> with_proxy(const std::u16string& first, const std::u16string& second,
                                       const request_type& request) {
    return {text_argument(first),
            text_argument(second),
            text_argument(request_text(request.proxy_address, request.proxy_address_length)),
            port_argument(request.proxy_port),
            text_argument(request_text(request.proxy_username, request.proxy_username_length)),
            text_argument(request_text(request.proxy_password, request.proxy_password_length))};
}

}  // namespace

std::u16string text_argument(const std::u16string& text) {
    return widen(utility::url_encode(utility::utf16_to_utf8(text)));
}

std::vector<std::u16string> processing_arguments(const processing_request& request) {
    return with_proxy(request_text(request.composition_text, request.composition_length),
                      request_text(request.reading_text, request.reading_length), request);
}

std::vector<std::u16string> callback_arguments(const callback_request& request) {
    return with_proxy(request_text(request.candidate_text, request.candidate_length),
                      request_text(request.composition_text, request.composition_length), request);
}

std::u16string preference_path_argument(const std::u16string& plugin_name) {
    return text_argument(
        text_escape::to_forward_slashes(utility::create_plugin_preference_path(plugin_name)));
}

}  // namespace vuro_plugin
