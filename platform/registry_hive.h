#pragma once
// One registry root held as text in the format of a registry export:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Example]
//   "text"="a \"quoted\" C:\\path"
//   "number"=dword:0000abcd
//   "bytes"=hex:01,02,ff
//   "other"=hex(7):61,00,00,00
//   @="the default value"
//
// Key and value names compare without regard to case. Comment lines (";") and sections
// of other roots are kept as read, so rewriting a hive loses nothing of it.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_hive_text.h"

namespace platform {

namespace registry_type {
constexpr std::uint32_t none = 0;
constexpr std::uint32_t sz = 1;
constexpr std::uint32_t expand_sz = 2;
constexpr std::uint32_t binary = 3;
constexpr std::uint32_t dword = 4;
}  // namespace registry_type

// Why a file did not parse: the line it went wrong on (1 for the first; 0 when the file as a
// whole is at fault) and what was wrong, in English.
struct registry_parse_error {
    std::size_t line = 0;
    std::string what;
};

struct registry_value {
    std::u16string name;  // empty: the key's default value ("@")
    std::uint32_t type = registry_type::none;
    std::vector<std::uint8_t> data;
};

class registry_hive {
public:
    // Accepts UTF-8 (with or without a byte-order mark) and UTF-16LE with a byte-order
    // mark; LF, CR LF or CR CR LF line ends; NULs and blanks after the last line. An empty
    // file is an empty hive. Anything else that does not follow the format, including
    // invalid UTF-8 or UTF-16 and a value cut short, gives nullopt and, when asked, `error`.
    static std::optional<registry_hive> parse(std::string_view file_bytes,
                                              registry_parse_error* error = nullptr);

    // In the encoding (byte-order mark included) and line ends of the file it was parsed
    // from; a hive made from nothing is UTF-8 with LF. Text that the quoted form cannot
    // carry unchanged (line breaks, NULs inside, a missing terminator, unpaired surrogates)
    // is written as hex(1).
    std::string serialise() const;

    // `key` is a full path such as HKEY_CURRENT_USER\Software\Example. A key exists when it
    // has a section or is an ancestor of one.
    bool key_exists(std::u16string_view key) const;
    const registry_value* find_value(std::u16string_view key, std::u16string_view name) const;
    // Every key that has a section and its values, both in file order.
    struct key_contents {
        std::u16string path;
        std::vector<registry_value> values;
    };
    std::vector<key_contents> contents() const;

    // Add the key and its missing ancestors below the root; false when nothing changed.
    bool create_key(std::u16string_view key);
    // Replace the value of that name (keeping its place) or append it; creates the key.
    void set_value(std::u16string_view key, registry_value value);

    // A path of non-empty names joined by one backslash, no name longer than 255 units and
    // none with a line break; one trailing backslash is dropped. nullopt when invalid.
    static std::optional<std::u16string> normalise_key_path(std::u16string_view path);
    // Value names must be expressible in the file: no unpaired surrogates, no NUL.
    static bool is_valid_value_name(std::u16string_view name);

private:
    struct line {
        bool is_comment = false;
        std::u16string comment;  // without the line end
        registry_value value;
        std::u16string folded_name;  // of the value, for comparisons
    };
    struct section {
        std::u16string path;
        std::vector<line> lines;
    };

    section* find_section(std::u16string_view key);
    const section* find_section(std::u16string_view key) const;
    section& add_section(std::u16string path);
    void assign(section& target, registry_value value);
    void add_comment(section* target, std::u16string comment);  // null: before any section

    hive_file_form form_;
    std::vector<std::u16string> preamble_;  // comment lines before the first section
    std::vector<section> sections_;
    std::map<std::u16string, std::size_t> index_;  // upper-cased path -> section
};

// Case-insensitive form of a name or path, as the registry compares them.
std::u16string registry_fold_case(std::u16string_view text);

}  // namespace platform
