#pragma once
// The bytes of a hive file as text and back: UTF-8 with or without a byte-order mark, or
// UTF-16LE with one; LF or CR LF line ends.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct registry_parse_error;

// The encoding and line ends a hive file is written in.
struct hive_file_form {
    enum encoding_type { utf8, utf8_with_bom, utf16le } encoding = utf8;
    bool crlf = false;
};

// The text of a file and the form it came in (its line ends are those of its first line).
// Strict: invalid UTF-8 or UTF-16 is nullopt, described in `error` when given, never U+FFFD
// that a rewrite would store in place of the user's bytes. NULs and white space after the
// last line are dropped; inside, a file with CR LF line ends loses one CR before each LF
// (as encode_hive_file adds one), other line ends are kept as they are.
std::optional<std::u16string> decode_hive_file(std::string_view bytes, hive_file_form& form,
                                               registry_parse_error* error);

// `text` with LF line ends, as the bytes of a file of that form.
std::string encode_hive_file(std::u16string_view text, const hive_file_form& form);

// Position of the first surrogate that is not half of a pair; npos when there is none.
std::size_t first_unpaired_surrogate(std::u16string_view text);

// 1 for the first line; lines end with LF.
template <typename Char>
std::size_t line_at(std::basic_string_view<Char> text, std::size_t position) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < position && i < text.size(); ++i) line += text[i] == Char('\n');
    return line;
}

}  // namespace platform
