#pragma once
// The keys that may switch candidates, with their display names. A code is the key's
// base code plus 0x400 for Shift and 0x1000 for Ctrl.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace utility {

class key_code_table {
public:
    static constexpr std::uint32_t shift = 0x400;
    static constexpr std::uint32_t ctrl = 0x1000;

    // Built on first use, kept until the process ends.
    static const key_code_table& instance();

    bool is_valid_key_code(std::uint32_t code) const { return names_by_code_.count(code) != 0; }
    std::optional<std::u16string> name_of(std::uint32_t code) const;
    std::optional<std::uint32_t> code_of(const std::u16string& name) const;
    // The base names in table order.
    const std::vector<std::u16string>& base_names() const { return base_names_; }
    std::size_t size() const { return names_by_code_.size(); }

private:
    key_code_table();
    void add_key(const std::u16string& name, std::uint32_t base, bool plain_and_shift);
    void add_variant(const std::u16string& name, std::uint32_t code);

    std::vector<std::u16string> base_names_;
    std::map<std::u16string, std::uint32_t> codes_by_name_;
    std::map<std::uint32_t, std::u16string> names_by_code_;
};

}  // namespace utility
