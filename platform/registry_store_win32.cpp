#include "platform/registry_store.h"

#include <windows.h>

namespace platform {
namespace {

HKEY root_key(registry_root root) {
    return root == registry_root::current_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// The same path rules as everywhere: names joined by single backslashes, one trailing
// backslash dropped.
std::optional<std::wstring> sub_key_path(std::u16string_view path) {
    if (path.empty()) return std::wstring();
    const auto normal = registry_hive::normalise_key_path(path);
    if (!normal) return std::nullopt;
    return std::wstring(normal->begin(), normal->end());
}

// The value name as the registry functions take it: NUL-terminated, so a NUL inside
// would name another value.
std::optional<std::wstring> value_name(std::u16string_view name) {
    if (name.find(u'\0') != std::u16string_view::npos) return std::nullopt;
    return std::wstring(name.begin(), name.end());
}

}  // namespace

struct registry_key::impl {
    HKEY key = nullptr;
    bool writable = false;

    ~impl() {
        if (key != nullptr) ::RegCloseKey(key);
    }
};

registry_key::registry_key(std::unique_ptr<impl> state) : impl_(std::move(state)) {}
registry_key::~registry_key() = default;

std::unique_ptr<registry_key> registry_key::open(registry_root root, std::u16string_view path) {
    const auto sub_key = sub_key_path(path);
    if (!sub_key) return nullptr;
    auto state = std::make_unique<impl>();
    if (::RegOpenKeyExW(root_key(root), sub_key->c_str(), 0, KEY_READ, &state->key) !=
        ERROR_SUCCESS)
        return nullptr;
    return std::unique_ptr<registry_key>(new registry_key(std::move(state)));
}

// The local machine is read only here, as it is for a program without elevation.
std::unique_ptr<registry_key> registry_key::create(registry_root root, std::u16string_view path) {
    const auto sub_key = sub_key_path(path);
    if (!sub_key || sub_key->empty() || root != registry_root::current_user) return nullptr;
    auto state = std::make_unique<impl>();
    state->writable = true;
    if (::RegCreateKeyExW(root_key(root), sub_key->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_WRITE, nullptr, &state->key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return std::unique_ptr<registry_key>(new registry_key(std::move(state)));
}

bool registry_key::query(std::u16string_view name, std::uint32_t& type,
                         std::vector<std::uint8_t>& data) const {
    const auto wide_name = value_name(name);
    if (impl_->writable || !wide_name) return false;
    // The value may grow between the size query and the read: ask again until it fits.
    for (;;) {
        DWORD value_type = 0;
        DWORD size = 0;
        if (::RegQueryValueExW(impl_->key, wide_name->c_str(), nullptr, &value_type, nullptr,
                               &size) != ERROR_SUCCESS)
            return false;
        std::vector<std::uint8_t> bytes(size);
        const LSTATUS status = ::RegQueryValueExW(impl_->key, wide_name->c_str(), nullptr,
                                                  &value_type, bytes.data(), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return false;
        bytes.resize(size);
        type = value_type;
        data = std::move(bytes);
        return true;
    }
}

// One value is replaced as a whole by the registry itself.
bool registry_key::set(std::u16string_view name, std::uint32_t type,
                       const std::vector<std::uint8_t>& data) {
    const auto wide_name = value_name(name);
    if (!impl_->writable || !wide_name) return false;
    return ::RegSetValueExW(impl_->key, wide_name->c_str(), 0, type, data.data(),
                            static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

// Windows keeps the roots in the registry itself, not in files of ours.
std::string registry_hive_file(registry_root) { return {}; }

// The registry is always there to be read; a key or value that is not is simply absent.
std::string registry_hive_problem(registry_root) { return {}; }

// The registry keeps its own consistency; there is no file to read once.
registry_read_scope::registry_read_scope(registry_root root) : root_(root) {}
registry_read_scope::~registry_read_scope() = default;

// One value is written by one registry call: there is no lock of ours to wait for.
void set_registry_lock_wait(std::chrono::milliseconds) {}

}  // namespace platform
