#include "utility/direct_settings.h"

#include <stdexcept>

#include "platform/registry_store.h"
#include "utility/credential_scramble.h"
#include "utility/key_code_table.h"
#include "utility/registry_access.h"

namespace utility {
namespace {

constexpr char16_t version_marker[] = u"plugin_count";

struct text_field {
    const char16_t* name;
    std::u16string direct_settings_values::*field;
};

constexpr text_field plugin_name_fields[] = {
    {u"key_1_plugin_name", &direct_settings_values::key_1_plugin_name},
    {u"key_2_plugin_name", &direct_settings_values::key_2_plugin_name},
    {u"key_3_plugin_name", &direct_settings_values::key_3_plugin_name},
    {u"key_4_plugin_name", &direct_settings_values::key_4_plugin_name},
    {u"key_5_plugin_name", &direct_settings_values::key_5_plugin_name},
};

bool holds_settings(int version) {
    try {
        const registry_access key(settings_key_path(version), registry_access::mode_read);
        return key.has_registry_unsigned_int(version_marker);
    } catch (const std::runtime_error&) {
        return false;
    }
}

void read_bool(const registry_access& key, const char16_t* name, bool& field) {
    if (key.has_registry_bool(name)) field = key.get_registry_bool(name);
}

void read_unsigned(const registry_access& key, const char16_t* name, std::uint32_t& field) {
    if (key.has_registry_unsigned_int(name)) field = key.get_registry_unsigned_int(name);
}

void read_text(const registry_access& key, const char16_t* name, std::u16string& field) {
    if (key.has_registry_utf16(name)) field = key.get_registry_utf16(name);
}

void read_credential(const registry_access& key, const char16_t* name, std::u16string& field) {
    if (key.has_registry_binary(name))
        field = read_scrambled_credential(key.get_registry_binary(name));
}

std::uint32_t valid_key_code(std::uint32_t code) {
    return key_code_table::instance().is_valid_key_code(code) ? code
                                                              : direct_settings::default_key_code;
}

}  // namespace

std::u16string settings_key_path(int version) {
    return u"Software\\Halvane\\Vuro\\VURODIRECT\\" + std::u16string(1, char16_t(u'0' + version)) +
           u".0\\";
}

int detect_settings_version() {
    for (int version : {2, 1})
        if (holds_settings(version)) return version;
    return 2;
}

direct_settings::direct_settings() {
    try {
        load();
    } catch (...) {
        static_cast<direct_settings_values&>(*this) = direct_settings_values{};
    }
    try {
        if (detect_settings_version() != 2) save_settings();
    } catch (...) {
    }
}

void direct_settings::load() {
    const int version = detect_settings_version();
    registry_access key(settings_key_path(version), registry_access::mode_read);
    read_bool(key, version == 1 ? u"useing_candidate_viewer" : u"using_candidate_viewer",
              using_candidate_viewer);
    read_bool(key, u"automatically_displayed_candidate", automatically_displayed_candidate);
    if (key.has_registry_unsigned_int(u"key_plugin_candidate_change"))
        key_plugin_candidate_change =
            valid_key_code(key.get_registry_unsigned_int(u"key_plugin_candidate_change"));
    for (const text_field& each : plugin_name_fields) read_text(key, each.name, this->*each.field);
    read_bool(key, u"enable_proxy", enable_proxy);
    read_text(key, u"proxy_address", proxy_address);
    read_unsigned(key, u"proxy_port", proxy_port);
    read_bool(key, u"enable_authentication", enable_authentication);
    read_credential(key, u"proxy_username", proxy_username);
    read_credential(key, u"proxy_password", proxy_password);
    key.close();
}

void direct_settings::save_settings() const {
    try {
        registry_access key(settings_key_path(2), registry_access::mode_write);
        key.set_registry_bool(u"using_candidate_viewer", using_candidate_viewer);
        key.set_registry_bool(u"automatically_displayed_candidate",
                              automatically_displayed_candidate);
        key.set_registry_unsigned_int(u"key_plugin_candidate_change",
                                      valid_key_code(key_plugin_candidate_change));
        for (const text_field& each : plugin_name_fields)
            key.set_registry_unsigned_utf16(each.name, this->*each.field);
        key.set_registry_bool(u"enable_proxy", enable_proxy);
        key.set_registry_unsigned_utf16(u"proxy_address", proxy_address);
        key.set_registry_unsigned_int(u"proxy_port", proxy_port);
        key.set_registry_bool(u"enable_authentication", enable_authentication);
        key.set_registry_binary(u"proxy_username", scramble_credential(proxy_username));
        key.set_registry_binary(u"proxy_password", scramble_credential(proxy_password));
    } catch (...) {
    }
}

direct_settings_read read_direct_settings() {
    const platform::registry_read_scope scope(platform::registry_root::current_user);
    return {direct_settings(), scope.fault()};
}

}  // namespace utility
