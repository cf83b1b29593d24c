#include "platform/registry_hive.h"

#include <algorithm>

#include "platform/text_codec.h"

namespace platform {
namespace {

constexpr std::u16string_view header_line = u"Windows Registry Editor Version 5.00";
constexpr std::size_t max_key_name_length = 255;

bool is_blank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

bool has_unpaired_surrogate(std::u16string_view text) {
    return first_unpaired_surrogate(text) != std::u16string_view::npos;
}

int hex_digit(char16_t unit) {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    return -1;
}

std::vector<std::uint8_t> text_to_sz(std::u16string_view text) {
    std::vector<std::uint8_t> data;
    data.reserve(text.size() * 2 + 2);
    for (char16_t unit : text) {
        data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

// The text of a REG_SZ when the quoted form holds it exactly; nullopt otherwise.
std::optional<std::u16string> sz_as_quotable_text(const std::vector<std::uint8_t>& data) {
    if (data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
    std::u16string text;
    for (std::size_t i = 0; i + 2 < data.size(); i += 2)
        text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    if (data[data.size() - 2] != 0 || data[data.size() - 1] != 0) return std::nullopt;
    if (text.find_first_of(std::u16string_view(u"\0\r\n", 3)) != std::u16string::npos)
        return std::nullopt;
    if (has_unpaired_surrogate(text)) return std::nullopt;
    return text;
}

class parser {
public:
    explicit parser(std::u16string_view text) : text_(text) {}

    // Marks where the line being read begins: a failure is reported on that line.
    void begin_line() { line_start_ = pos_; }
    std::size_t failed_line() const { return line_at(text_, line_start_); }
    // The first failure's description; empty while there is none.
    const std::string& failure() const { return failure_; }
    bool fail(const char* what) {
        if (failure_.empty()) failure_ = what;
        return false;
    }

    bool at_end() const { return pos_ >= text_.size(); }
    char16_t peek() const { return at_end() ? u'\0' : text_[pos_]; }
    void advance() { ++pos_; }
    void skip_blanks() {
        while (!at_end() && is_blank(text_[pos_])) ++pos_;
    }
    bool at_line_end() const { return at_end() || line_end_length() > 0; }
    // Also CR CR LF, which a text-mode copy of a CR LF file makes.
    bool consume_line_end() {
        if (at_end()) return true;
        const std::size_t length = line_end_length();
        pos_ += length;
        return length > 0;
    }
    bool consume(std::u16string_view word) {
        if (text_.size() - pos_ < word.size()) return false;
        if (registry_fold_case(text_.substr(pos_, word.size())) != registry_fold_case(word))
            return false;
        pos_ += word.size();
        return true;
    }
    // The rest of the line without its end and trailing blanks; consumes the line end. A
    // carriage return left before the end (CR CR CR LF, or CR at the end of the file) and a
    // NUL count as blanks: kept at the end of a comment, they would not read back from the
    // rewritten file, which loses a CR to its line end and NULs at its end.
    std::u16string_view rest_of_line() {
        const std::size_t start = pos_;
        while (!at_line_end()) ++pos_;
        std::u16string_view line = text_.substr(start, pos_ - start);
        while (!line.empty() &&
               (is_blank(line.back()) || line.back() == u'\r' || line.back() == u'\0'))
            line.remove_suffix(1);
        consume_line_end();
        return line;
    }
    // At a quotation mark: a quoted string with the escapes \\ and \"; raw line breaks are
    // part of the text.
    bool quoted(std::u16string& out) {
        advance();
        out.clear();
        for (;;) {
            if (at_end()) return fail("a quoted text without its closing quotation mark");
            const char16_t unit = text_[pos_++];
            if (unit == u'"') return true;
            if (unit == u'\\') {
                if (at_end() || (text_[pos_] != u'\\' && text_[pos_] != u'"'))
                    return fail(
                        "an unknown escape in a quoted text (only \\\\ and \\\" are known)");
                out.push_back(text_[pos_++]);
            } else {
                out.push_back(unit);
            }
        }
    }
    bool hex_number(std::uint32_t& value, std::size_t min_digits, std::size_t max_digits) {
        std::size_t digits = 0;
        value = 0;
        while (digits < max_digits && hex_digit(peek()) >= 0) {
            value = value << 4 | static_cast<std::uint32_t>(hex_digit(peek()));
            advance();
            ++digits;
        }
        return digits >= min_digits && hex_digit(peek()) < 0;
    }
    // Comma-separated bytes of two digits; a backslash at the end of a line continues the
    // list. A list that ends after a comma or a continuation was cut short.
    bool hex_bytes(std::vector<std::uint8_t>& out) {
        bool byte_expected = false;
        for (;;) {
            skip_blanks();
            if (peek() == u'\\') {
                if (!continuation()) return false;
                byte_expected = true;
                continue;
            }
            if (at_line_end())
                return !byte_expected ||
                       fail("the value is cut short: a byte list ends with a comma");
            std::uint32_t byte = 0;
            if (!hex_number(byte, 2, 2)) return fail("a byte needs two hexadecimal digits");
            out.push_back(static_cast<std::uint8_t>(byte));
            skip_blanks();
            byte_expected = peek() == u',';
            if (byte_expected) {
                advance();
            } else if (peek() != u'\\' && !at_line_end()) {
                return fail("bytes not separated by commas");
            }
        }
    }

private:
    std::size_t line_end_length() const {
        std::size_t returns = 0;
        while (returns < 2 && pos_ + returns < text_.size() && text_[pos_ + returns] == u'\r')
            ++returns;
        return pos_ + returns < text_.size() && text_[pos_ + returns] == u'\n' ? returns + 1 : 0;
    }
    // A backslash, the line end and the leading blanks of a line that holds more.
    bool continuation() {
        advance();
        skip_blanks();
        if (!at_end() && !consume_line_end()) return fail("text after a line continuation");
        skip_blanks();
        return !at_line_end() ||
               fail("the value is cut short: nothing follows its line continuation");
    }

    std::u16string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_start_ = 0;
    std::string failure_;
};

bool parse_value_data(parser& in, registry_value& value) {
    if (in.peek() == u'"') {
        std::u16string text;
        if (!in.quoted(text)) return false;
        value.type = registry_type::sz;
        value.data = text_to_sz(text);
    } else if (in.consume(u"dword:")) {
        std::uint32_t number = 0;
        if (!in.hex_number(number, 8, 8))
            return in.fail("a dword needs exactly eight hexadecimal digits");
        value.type = registry_type::dword;
        value.data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                      static_cast<std::uint8_t>(number >> 16),
                      static_cast<std::uint8_t>(number >> 24)};
    } else if (in.consume(u"hex:")) {
        value.type = registry_type::binary;
        return in.hex_bytes(value.data);
    } else if (in.consume(u"hex(")) {
        if (!in.hex_number(value.type, 1, 8) || !in.consume(u"):"))
            return in.fail("a value type in hex(...) that is not a hexadecimal number");
        return in.hex_bytes(value.data);
    } else if (in.peek() == u'-') {
        return in.fail("a value deletion (=-), which a hive does not hold");
    } else {
        return in.fail("an unknown kind of value after \"=\"");
    }
    in.skip_blanks();
    return in.at_line_end() || in.fail("text after the value");
}

bool parse_value_line(parser& in, registry_value& value) {
    if (in.peek() == u'@') {
        in.advance();
        value.name.clear();
    } else if (in.peek() != u'"') {
        return in.fail("a line that is neither a key, a value nor a comment");
    } else if (!in.quoted(value.name)) {
        return false;
    } else if (!registry_hive::is_valid_value_name(value.name)) {
        return in.fail("a value name holding a NUL");
    }
    in.skip_blanks();
    if (in.peek() != u'=') return in.fail("no \"=\" after the value name");
    in.advance();
    in.skip_blanks();
    return parse_value_data(in, value) && in.consume_line_end();
}

// Fills `error`, when given, with the line being read and what was wrong with it.
std::nullopt_t refused(parser& in, registry_parse_error* error, const char* what = nullptr) {
    if (what != nullptr) in.fail(what);
    if (error != nullptr) *error = registry_parse_error{in.failed_line(), in.failure()};
    return std::nullopt;
}

void append_quoted(std::u16string& out, std::u16string_view text) {
    out.push_back(u'"');
    for (char16_t unit : text) {
        if (unit == u'\\' || unit == u'"') out.push_back(u'\\');
        out.push_back(unit);
    }
    out.push_back(u'"');
}

void append_hex(std::u16string& out, std::uint32_t number, int digits) {
    static constexpr char16_t digit[] = u"0123456789abcdef";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out.push_back(digit[number >> shift & 0xF]);
}

void append_value_line(std::u16string& out, const registry_value& value) {
    if (value.name.empty()) {
        out.push_back(u'@');
    } else {
        append_quoted(out, value.name);
    }
    out.push_back(u'=');
    if (value.type == registry_type::sz) {
        if (const auto text = sz_as_quotable_text(value.data)) {
            append_quoted(out, *text);
            out.push_back(u'\n');
            return;
        }
    }
    if (value.type == registry_type::dword && value.data.size() == 4) {
        out += u"dword:";
        append_hex(
            out,
            static_cast<std::uint32_t>(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                       static_cast<std::uint32_t>(value.data[3]) << 24),
            8);
        out.push_back(u'\n');
        return;
    }
    if (value.type == registry_type::binary) {
        out += u"hex:";
    } else {
        out += u"hex(";
        std::u16string type;
        for (std::uint32_t rest = value.type; type.empty() || rest != 0; rest >>= 4)
            type.insert(type.begin(), u"0123456789abcdef"[rest & 0xF]);
        out += type + u"):";
    }
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        if (i != 0) out.push_back(u',');
        append_hex(out, value.data[i], 2);
    }
    out.push_back(u'\n');
}

}  // namespace

std::u16string registry_fold_case(std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& unit : folded) {
        if (unit < 0x80) {
            if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - u'a' + u'A');
        } else {
            unit = to_upper_code_unit(unit);
        }
    }
    return folded;
}

std::optional<std::u16string> registry_hive::normalise_key_path(std::u16string_view path) {
    if (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    if (path.empty()) return std::nullopt;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(path.find(u'\\', start), path.size());
        const std::u16string_view name = path.substr(start, end - start);
        if (name.empty() || name.size() > max_key_name_length ||
            name.find_first_of(std::u16string_view(u"\0\r\n", 3)) != std::u16string_view::npos ||
            has_unpaired_surrogate(name))
            return std::nullopt;
        if (end == path.size()) break;
        start = end + 1;
    }
    return std::u16string(path);
}

bool registry_hive::is_valid_value_name(std::u16string_view name) {
    return name.find(u'\0') == std::u16string_view::npos && !has_unpaired_surrogate(name);
}

std::optional<registry_hive> registry_hive::parse(std::string_view file_bytes,
                                                  registry_parse_error* error) {
    registry_hive hive;
    const std::optional<std::u16string> text = decode_hive_file(file_bytes, hive.form_, error);
    if (!text) return std::nullopt;
    if (text->find_first_not_of(u" \t\r\n") == std::u16string::npos) return hive;

    parser in(*text);
    std::u16string_view first;
    do {
        in.begin_line();
        first = in.rest_of_line();
    } while (first.empty() && !in.at_end());
    if (first != header_line)
        return refused(in, error, "the first line is not \"Windows Registry Editor Version 5.00\"");

    section* current = nullptr;  // sections are only added right before becoming current
    while (!in.at_end()) {
        in.begin_line();
        in.skip_blanks();
        if (in.at_line_end()) {
            in.consume_line_end();
        } else if (in.peek() == u';') {
            hive.add_comment(current, std::u16string(in.rest_of_line()));
        } else if (in.peek() == u'[') {
            const std::u16string_view header = in.rest_of_line();
            if (header.size() < 2 || header.back() != u']')
                return refused(in, error, "a key line that does not end with \"]\"");
            if (header[1] == u'-')
                return refused(in, error, "a key deletion ([-...]), which a hive does not hold");
            const auto path = normalise_key_path(header.substr(1, header.size() - 2));
            if (!path) return refused(in, error, "an invalid key path");
            current = hive.find_section(*path);
            if (current == nullptr) current = &hive.add_section(*path);
        } else {
            registry_value value;
            if (current == nullptr) return refused(in, error, "a value before the first key");
            if (!parse_value_line(in, value)) return refused(in, error);
            hive.assign(*current, std::move(value));
        }
    }
    return hive;
}

void registry_hive::add_comment(section* target, std::u16string comment) {
    if (target == nullptr) {
        preamble_.push_back(std::move(comment));
        return;
    }
    line entry;
    entry.is_comment = true;
    entry.comment = std::move(comment);
    target->lines.push_back(std::move(entry));
}

std::string registry_hive::serialise() const {
    std::u16string text(header_line);
    text += u"\n\n";
    for (const std::u16string& comment : preamble_) text += comment + u"\n";
    if (!preamble_.empty()) text += u"\n";
    for (const section& each : sections_) {
        text += u"[" + each.path + u"]\n";
        for (const line& entry : each.lines) {
            if (entry.is_comment) {
                text += entry.comment + u"\n";
            } else {
                append_value_line(text, entry.value);
            }
        }
        text += u"\n";
    }
    return encode_hive_file(text, form_);
}

bool registry_hive::key_exists(std::u16string_view key) const {
    const std::u16string folded = registry_fold_case(key);
    if (index_.count(folded) != 0) return true;
    const std::u16string prefix = folded + u"\\";
    const auto next = index_.lower_bound(prefix);
    return next != index_.end() && next->first.compare(0, prefix.size(), prefix) == 0;
}

std::vector<registry_hive::key_contents> registry_hive::contents() const {
    std::vector<key_contents> keys;
    keys.reserve(sections_.size());
    for (const section& each : sections_) {
        key_contents key{each.path, {}};
        for (const line& entry : each.lines)
            if (!entry.is_comment) key.values.push_back(entry.value);
        keys.push_back(std::move(key));
    }
    return keys;
}

const registry_value* registry_hive::find_value(std::u16string_view key,
                                                std::u16string_view name) const {
    const section* found = find_section(key);
    if (found == nullptr) return nullptr;
    const std::u16string folded = registry_fold_case(name);
    for (const line& entry : found->lines)
        if (!entry.is_comment && entry.folded_name == folded) return &entry.value;
    return nullptr;
}

bool registry_hive::create_key(std::u16string_view key) {
    bool changed = false;
    // Every ancestor below the root gets its own section, as an export lists them.
    std::size_t end = key.find(u'\\');
    for (;;) {
        end = key.find(u'\\', end == std::u16string_view::npos ? key.size() : end + 1);
        const std::u16string_view path = key.substr(0, std::min(end, key.size()));
        if (!key_exists(path)) {
            add_section(std::u16string(path));
            changed = true;
        }
        if (end == std::u16string_view::npos) return changed;
    }
}

void registry_hive::set_value(std::u16string_view key, registry_value value) {
    create_key(key);
    section* target = find_section(key);  // an ancestor of other keys may have no section yet
    assign(target != nullptr ? *target : add_section(std::u16string(key)), std::move(value));
}

registry_hive::section* registry_hive::find_section(std::u16string_view key) {
    const auto found = index_.find(registry_fold_case(key));
    return found == index_.end() ? nullptr : &sections_[found->second];
}

const registry_hive::section* registry_hive::find_section(std::u16string_view key) const {
    const auto found = index_.find(registry_fold_case(key));
    return found == index_.end() ? nullptr : &sections_[found->second];
}

registry_hive::section& registry_hive::add_section(std::u16string path) {
    index_.emplace(registry_fold_case(path), sections_.size());
    sections_.push_back(section{std::move(path), {}});
    return sections_.back();
}

void registry_hive::assign(section& target, registry_value value) {
    std::u16string folded = registry_fold_case(value.name);
    for (line& entry : target.lines) {
        if (!entry.is_comment && entry.folded_name == folded) {
            entry.value.type = value.type;
            entry.value.data = std::move(value.data);
            return;
        }
    }
    line entry;
    entry.folded_name = std::move(folded);
    entry.value = std::move(value);
    target.lines.push_back(std::move(entry));
}

}  // namespace platform
