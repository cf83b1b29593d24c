#include "app/window_size_store.h"

#include <exception>
#include <string>

#include "utility/registry_access.h"

namespace vuro_plugin {
namespace {

const std::u16string key_path = u"Software\\plugdebug";
const std::u16string width_name = u"window_width";
const std::u16string height_name = u"window_height";
const std::u16string maximized_name = u"window_maximized";

}  // namespace

std::optional<remembered_window> load_window_size() {
    try {
        const utility::registry_access key(key_path, utility::registry_access::mode_read);
        if (!key.has_registry_unsigned_int(width_name) ||
            !key.has_registry_unsigned_int(height_name))
            return std::nullopt;
        remembered_window window;
        window.width = static_cast<int>(key.get_registry_unsigned_int(width_name));
        window.height = static_cast<int>(key.get_registry_unsigned_int(height_name));
        window.maximized =
            key.has_registry_bool(maximized_name) && key.get_registry_bool(maximized_name);
        return window;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The store refuses to open a hive it cannot parse for writing, so such a file is left
// as the user wrote it.
void save_window_size(const remembered_window& window) {
    if (window.width <= 0 || window.height <= 0) return;
    try {
        utility::registry_access key(key_path, utility::registry_access::mode_write);
        key.set_registry_unsigned_int(width_name, static_cast<std::uint32_t>(window.width));
        key.set_registry_unsigned_int(height_name, static_cast<std::uint32_t>(window.height));
        key.set_registry_bool(maximized_name, window.maximized);
    } catch (const std::exception&) {
    }
}

}  // namespace vuro_plugin
