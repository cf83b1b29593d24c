#include "engine/plugin_request.h"

#include <type_traits>

namespace vuro_plugin {

// The records cross the instance interface: their layout must not depend on the compiler.
static_assert(std::is_standard_layout_v<processing_request>);
static_assert(std::is_trivially_copyable_v<processing_request>);
static_assert(sizeof(processing_request) == 4484);
static_assert(offsetof(processing_request, composition_text) == 0);
static_assert(offsetof(processing_request, composition_length) == 400);
static_assert(offsetof(processing_request, reading_text) == 404);
static_assert(offsetof(processing_request, reading_length) == 804);
static_assert(offsetof(processing_request, host_808) == 808);
static_assert(offsetof(processing_request, host_1608) == 1608);
static_assert(offsetof(processing_request, host_2408) == 2408);
static_assert(offsetof(processing_request, host_2608) == 2608);
static_assert(offsetof(processing_request, host_2808) == 2808);
static_assert(offsetof(processing_request, host_3008) == 3008);
static_assert(offsetof(processing_request, host_3012) == 3012);
static_assert(offsetof(processing_request, host_3020) == 3020);
static_assert(offsetof(processing_request, host_3024) == 3024);
static_assert(offsetof(processing_request, proxy_address) == 3026);
static_assert(offsetof(processing_request, proxy_address_length) == 4052);
static_assert(offsetof(processing_request, proxy_port) == 4056);
static_assert(offsetof(processing_request, proxy_username) == 4060);
static_assert(offsetof(processing_request, proxy_username_length) == 4260);
static_assert(offsetof(processing_request, proxy_password) == 4264);
static_assert(offsetof(processing_request, proxy_password_length) == 4464);

static_assert(std::is_standard_layout_v<callback_request>);
static_assert(std::is_trivially_copyable_v<callback_request>);
static_assert(sizeof(callback_request) == 2256);
static_assert(offsetof(callback_request, candidate_length) == 400);
static_assert(offsetof(callback_request, composition_text) == 412);
static_assert(offsetof(callback_request, composition_length) == 812);
static_assert(offsetof(callback_request, proxy_address) == 816);
static_assert(offsetof(callback_request, proxy_address_length) == 1840);
static_assert(offsetof(callback_request, proxy_port) == 1844);
static_assert(offsetof(callback_request, proxy_username) == 1848);
static_assert(offsetof(callback_request, proxy_username_length) == 2048);
static_assert(offsetof(callback_request, proxy_password) == 2052);
static_assert(offsetof(callback_request, proxy_password_length) == 2252);

void fill_host_constants(processing_request& request) {
    request.host_808 = 1;
    request.host_1608 = 0;
    request.host_2408 = 1;
    request.host_2608 = 0;
    request.host_2808 = 0;
    request.host_3008 = 1;
    request.host_3012 = 0;
    request.host_3020 = 0;
    request.host_3024 = 0;
}

bool assign_request_text(char16_t* field, std::size_t capacity, std::uint32_t& length,
                         const std::u16string& text) {
    std::size_t kept = text.size() < capacity ? text.size() : capacity;
    const bool cut = kept < text.size();
    // Half a surrogate pair would reach the plug-in as a replacement character.
    if (cut && kept > 0 && text[kept - 1] >= 0xD800 && text[kept - 1] <= 0xDBFF) --kept;
    text.copy(field, kept);
    length = static_cast<std::uint32_t>(kept);
    return !cut;
}

}  // namespace vuro_plugin
