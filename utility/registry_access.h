#pragma once
// One open key below the current user's registry root, with typed reads and writes.
// Probes never throw; getters and setters throw std::runtime_error with fixed texts.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class registry_key;
}

namespace utility {

class registry_access {
public:
    static constexpr int mode_read = 0;   // open an existing key
    static constexpr int mode_write = 1;  // open or create the key

    // Throws "registry_access::registry_access() : fault." for another mode or when the
    // key cannot be opened or created.
    registry_access(const std::u16string& path, int mode);
    ~registry_access();
    registry_access(const registry_access&) = delete;
    registry_access& operator=(const registry_access&) = delete;

    int mode() const { return mode_; }

    // Closing twice is harmless; every later read fails and every write throws.
    void close();

    bool has_registry_unsigned_int(const std::u16string& name) const;  // REG_DWORD <= 0xFFFF
    bool has_registry_bool(const std::u16string& name) const;          // REG_DWORD 0 or 1
    bool has_registry_utf16(const std::u16string& name) const;         // REG_SZ
    bool has_registry_binary(const std::u16string& name) const;        // REG_BINARY

    std::uint32_t get_registry_unsigned_int(const std::u16string& name) const;
    bool get_registry_bool(const std::u16string& name) const;
    // The text up to its first NUL; a value of fewer than two bytes is empty.
    std::u16string get_registry_utf16(const std::u16string& name) const;
    std::vector<std::uint8_t> get_registry_binary(const std::u16string& name) const;

    void set_registry_unsigned_int(const std::u16string& name, std::uint32_t value);
    void set_registry_bool(const std::u16string& name, bool value);
    // Stored with its terminating NUL.
    void set_registry_unsigned_utf16(const std::u16string& name, const std::u16string& value);
    // An empty vector is refused.
    void set_registry_binary(const std::u16string& name, const std::vector<std::uint8_t>& value);

private:
    bool query(const std::u16string& name, std::uint32_t& type,
               std::vector<std::uint8_t>& data) const;
    bool query_dword(const std::u16string& name, std::uint32_t& value) const;
    bool write(const std::u16string& name, std::uint32_t type,
               const std::vector<std::uint8_t>& data);

    int mode_;
    std::unique_ptr<platform::registry_key> key_;
};

}  // namespace utility
