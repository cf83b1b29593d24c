#include "utility/key_code_table.h"

namespace utility {

const key_code_table& key_code_table::instance() {
    static const key_code_table table;
    return table;
}

key_code_table::key_code_table() {
    add_key(u"スペース", 0x20, true);
    add_key(u"Tab", 0x109, true);
    for (std::uint32_t number = 1; number <= 12; ++number)
        add_key(u"F" + std::u16string(number >= 10 ? u"1" : u"") + char16_t(u'0' + number % 10),
                0x120 + number, true);
    const std::pair<const char16_t*, std::uint32_t> movement[] = {
        {u"PageDown", 0x161}, {u"PageUp", 0x162}, {u"Insert", 0x163}, {u"Delete", 0x164},
        {u"↑", 0x165},        {u"←", 0x166},      {u"→", 0x167},      {u"↓", 0x168},
        {u"Home", 0x169},     {u"End", 0x14F}};
    for (const auto& [name, code] : movement) add_key(name, code, true);
    // Control characters by the letter that produces them: @, A-Z, [, \, ], ^, _.
    for (std::uint32_t code = 0x00; code <= 0x1F; ++code)
        add_key(std::u16string(1, static_cast<char16_t>(u'@' + code)), code, false);
    for (char16_t digit = u'1'; digit <= u'9'; ++digit)
        add_key(std::u16string(1, digit), digit, false);
    add_key(u"0", 0x30, false);
}

void key_code_table::add_key(const std::u16string& name, std::uint32_t base, bool plain_and_shift) {
    base_names_.push_back(name);
    if (plain_and_shift) {
        add_variant(name, base);
        add_variant(name + u"【Shift】", base + shift);
    }
    add_variant(name + u"【Ctrl】", base + ctrl);
    add_variant(name + u"【Shift】【Ctrl】", base + shift + ctrl);
}

void key_code_table::add_variant(const std::u16string& name, std::uint32_t code) {
    codes_by_name_[name] = code;
    names_by_code_[code] = name;
}

std::optional<std::u16string> key_code_table::name_of(std::uint32_t code) const {
    const auto found = names_by_code_.find(code);
    if (found == names_by_code_.end()) return std::nullopt;
    return found->second;
}

std::optional<std::uint32_t> key_code_table::code_of(const std::u16string& name) const {
    const auto found = codes_by_name_.find(name);
    if (found == codes_by_name_.end()) return std::nullopt;
    return found->second;
}

}  // namespace utility
