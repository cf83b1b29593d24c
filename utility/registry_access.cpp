#include "utility/registry_access.h"

#include <stdexcept>

#include "platform/registry_store.h"

namespace utility {
namespace {

constexpr std::uint32_t max_unsigned_int = 0xFFFF;

[[noreturn]] void fail(const char* text) { throw std::runtime_error(text); }

std::vector<std::uint8_t> dword_bytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

}  // namespace

registry_access::registry_access(const std::u16string& path, int mode) : mode_(mode) {
    if (mode == mode_read) {
        key_ = platform::registry_key::open(platform::registry_root::current_user, path);
    } else if (mode == mode_write) {
        key_ = platform::registry_key::create(platform::registry_root::current_user, path);
    }
    if (!key_) fail("registry_access::registry_access() : fault.");
}

registry_access::~registry_access() = default;

void registry_access::close() { key_.reset(); }

bool registry_access::query(const std::u16string& name, std::uint32_t& type,
                            std::vector<std::uint8_t>& data) const {
    return key_ && key_->query(name, type, data);
}

// A REG_DWORD read passes a 4-byte buffer: a longer value does not fit and fails; a
// shorter one fills only its own bytes of the zeroed buffer.
bool registry_access::query_dword(const std::u16string& name, std::uint32_t& value) const {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (!query(name, type, data) || type != platform::registry_type::dword || data.size() > 4)
        return false;
    value = 0;
    for (std::size_t i = 0; i < data.size(); ++i) value |= std::uint32_t{data[i]} << (8 * i);
    return true;
}

bool registry_access::has_registry_unsigned_int(const std::u16string& name) const {
    std::uint32_t value = 0;
    return query_dword(name, value) && value <= max_unsigned_int;
}

bool registry_access::has_registry_bool(const std::u16string& name) const {
    std::uint32_t value = 0;
    return query_dword(name, value) && value <= 1;
}

bool registry_access::has_registry_utf16(const std::u16string& name) const {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    return query(name, type, data) && type == platform::registry_type::sz;
}

bool registry_access::has_registry_binary(const std::u16string& name) const {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    return query(name, type, data) && type == platform::registry_type::binary;
}

std::uint32_t registry_access::get_registry_unsigned_int(const std::u16string& name) const {
    std::uint32_t value = 0;
    if (!query_dword(name, value) || value > max_unsigned_int)
        fail("registry_access::get_registry_unsigned_int : fault.");
    return value;
}

bool registry_access::get_registry_bool(const std::u16string& name) const {
    std::uint32_t value = 0;
    if (!query_dword(name, value) || value > 1) fail("registry_access::get_registry_bool : fault.");
    return value == 1;
}

std::u16string registry_access::get_registry_utf16(const std::u16string& name) const {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (!query(name, type, data) || type != platform::registry_type::sz)
        fail("registry_access::get_registry_utf16 : fault.");
    std::u16string text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        if (unit == u'\0') break;
        text.push_back(unit);
    }
    return text;
}

std::vector<std::uint8_t> registry_access::get_registry_binary(const std::u16string& name) const {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (!query(name, type, data) || type != platform::registry_type::binary)
        fail("registry_access::get_registry_binary : fault.");
    return data;
}

bool registry_access::write(const std::u16string& name, std::uint32_t type,
                            const std::vector<std::uint8_t>& data) {
    return key_ && key_->set(name, type, data);
}

void registry_access::set_registry_unsigned_int(const std::u16string& name, std::uint32_t value) {
    if (!write(name, platform::registry_type::dword, dword_bytes(value)))
        fail("registry_access::set_registry_unsigned_int : fault.");
}

void registry_access::set_registry_bool(const std::u16string& name, bool value) {
    if (!write(name, platform::registry_type::dword, dword_bytes(value ? 1 : 0)))
        fail("registry_access::set_registry_bool : fault.");
}

void registry_access::set_registry_unsigned_utf16(const std::u16string& name,
                                                  const std::u16string& value) {
    std::vector<std::uint8_t> data;
    data.reserve((value.size() + 1) * 2);
    for (char16_t unit : value) {
        data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    if (!write(name, platform::registry_type::sz, data))
        throw std::runtime_error("set_registry_unsigned_utf16() call error");
}

void registry_access::set_registry_binary(const std::u16string& name,
                                          const std::vector<std::uint8_t>& value) {
    if (value.empty() || !write(name, platform::registry_type::binary, value))
        throw std::runtime_error("set_registry_binary() call error");
}

}  // namespace utility
