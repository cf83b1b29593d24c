#pragma once
// The direct-plug-in feature's user settings, kept in the current user's registry under
// Software\Halvane\Vuro\VURODIRECT\1.0\ (older layout) or ...\2.0\.
#include <cstdint>
#include <string>

#include "platform/registry_store.h"

namespace utility {

// The key that holds the settings: 2, or 1 while only the older key carries the marker
// "plugin_count".
int detect_settings_version();

// The registry key of a settings version, e.g. Software\Halvane\Vuro\VURODIRECT\2.0\.
std::u16string settings_key_path(int version);

// The fields of the settings record, each with its default.
struct direct_settings_values {
    static constexpr std::uint32_t default_key_code = 0x109;  // Tab

    bool using_candidate_viewer = false;
    bool automatically_displayed_candidate = true;
    std::uint32_t key_plugin_candidate_change = default_key_code;
    std::u16string key_1_plugin_name;
    std::u16string key_2_plugin_name;
    std::u16string key_3_plugin_name;
    std::u16string key_4_plugin_name;
    std::u16string key_5_plugin_name;
    bool enable_proxy = false;
    std::u16string proxy_address;
    std::uint32_t proxy_port = 0;
    bool enable_authentication = false;
    std::u16string proxy_username;
    std::u16string proxy_password;
};

struct direct_settings : direct_settings_values {
    // Defaults, then the stored settings. Never throws: what is missing or invalid keeps
    // its default, and any other failure resets every field. Settings found only in the
    // version-1 key are copied to the version-2 key.
    direct_settings();

    // Writes every field to the version-2 key. Never throws: the first failure ends the
    // writing, and values written before it stay.
    void save_settings() const;

private:
    void load();
};

// The settings as one read of the store found them, and why they are the defaults when
// the store could not be read.
struct direct_settings_read {
    direct_settings settings;
    platform::registry_fault fault;
};
direct_settings_read read_direct_settings();

}  // namespace utility
