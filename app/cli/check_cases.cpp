#include "app/cli/check_cases.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>

#include <nlohmann/json.hpp>

#include "app/debugger_controller.h"
#include "utility/text_conversion.h"

namespace vuro_plugin::cli {
namespace {

using json = nlohmann::json;

// Walks the text for the parser and remembers how far it has read: the SAX events carry
// no positions, but each comes right after its token was read.
class counting_iterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    counting_iterator(const char* begin, const char* at, std::size_t* furthest)
        : begin_(begin), at_(at), furthest_(furthest) {}
    reference operator*() const {
        *furthest_ = std::max(*furthest_, static_cast<std::size_t>(at_ - begin_) + 1);
        return *at_;
    }
    counting_iterator& operator++() {
        ++at_;
        return *this;
    }
    counting_iterator operator++(int) {
        counting_iterator before = *this;
        ++at_;
        return before;
    }
    bool operator==(const counting_iterator& other) const { return at_ == other.at_; }
    bool operator!=(const counting_iterator& other) const { return at_ != other.at_; }

private:
    const char* begin_;
    const char* at_;
    std::size_t* furthest_;
};

enum class token { punctuation, string, number, literal };

// Where the token that ended at `furthest` (bytes read) began. A number is known to have
// ended only once the byte after it was read.
std::size_t token_start(const std::string& text, std::size_t furthest, token kind) {
    std::size_t i = furthest == 0 ? 0 : furthest - 1;
    auto backslashes_before = [&](std::size_t at) {
        std::size_t n = 0;
        while (at > n && text[at - n - 1] == '\\') ++n;
        return n;
    };
    switch (kind) {
        case token::punctuation: return i;
        case token::string:
            while (i > 0) {
                --i;
                if (text[i] == '"' && backslashes_before(i) % 2 == 0) return i;
            }
            return i;
        case token::number:
            if (i > 0) --i;
            while (i > 0 &&
                   std::string_view("0123456789+-.eE").find(text[i - 1]) != std::string_view::npos)
                --i;
            return i;
        case token::literal:
            while (i > 0 && std::isalpha(static_cast<unsigned char>(text[i - 1])) != 0) --i;
            return i;
    }
    return i;
}

// "line L, column C" of a byte offset; columns count UTF-8 characters.
std::string place_of(const std::string& text, std::size_t offset) {
    offset = std::min(offset, text.size());
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// Builds the cases while the parser reads the file, and stops it at the first value that
// does not belong where it stands.
class cases_reader : public nlohmann::json_sax<json> {
public:
    cases_reader(const std::string& text, const std::size_t& furthest)
        : text_(text), furthest_(furthest) {}

    check_file file;
    std::string error;  // set when the parse was stopped here

    bool null() override { return wrong(token::literal); }
    bool boolean(bool) override { return wrong(token::literal); }
    bool number_integer(number_integer_t value) override {
        if (expected_ != slot::count) return wrong(token::number);
        return fail(token::number,
                    "\"count\" must not be negative (" + std::to_string(value) + ")");
    }
    bool number_unsigned(number_unsigned_t value) override {
        if (expected_ != slot::count) return wrong(token::number);
        current().count = static_cast<std::size_t>(value);
        return next_in_case();
    }
    bool number_float(number_float_t, const string_t&) override { return wrong(token::number); }
    bool binary(binary_t&) override { return wrong(token::literal); }
    bool string(string_t& value) override;
    bool start_object(std::size_t) override;
    bool key(string_t& name) override;
    bool end_object() override;
    bool start_array(std::size_t) override;
    bool end_array() override;
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& problem) override;

private:
    // What the next value is, from the key before it (or the array it stands in).
    enum class slot {
        file,
        plugin,
        cases,
        one_case,
        text,
        titles,
        contains,
        count,
        standard_error,
        title_list,
        contains_list,
        top_key,
        case_key
    };

    check_case& current() { return file.cases.back(); }
    bool next_in_case() {
        expected_ = slot::case_key;
        return true;
    }
    bool fail(token kind, const std::string& reason) {
        error = place_of(text_, token_start(text_, furthest_, kind)) + ": " + reason;
        return false;
    }
    bool wrong(token kind);
    bool take_key(const std::string& name, const std::vector<std::pair<const char*, slot>>& keys);

    const std::string& text_;
    const std::size_t& furthest_;
    slot expected_ = slot::file;
    std::vector<std::string> seen_;  // keys of the object being read
    bool has_cases_ = false;
};

bool cases_reader::wrong(token kind) {
    switch (expected_) {
        case slot::file: return fail(kind, "the file must hold one JSON object");
        case slot::plugin: return fail(kind, "\"plugin\" must be a string");
        case slot::cases: return fail(kind, "\"cases\" must be an array of objects");
        case slot::one_case: return fail(kind, "a case must be an object");
        case slot::text: return fail(kind, "\"text\" must be a string");
        case slot::titles: return fail(kind, "\"titles\" must be an array of strings");
        case slot::contains: return fail(kind, "\"contains\" must be an array of strings");
        case slot::count: return fail(kind, "\"count\" must be a whole number");
        case slot::standard_error: return fail(kind, "\"stderr\" must be a string");
        case slot::title_list: return fail(kind, "\"titles\" must hold strings only");
        case slot::contains_list: return fail(kind, "\"contains\" must hold strings only");
        default: return fail(kind, "a key was expected");
    }
}

bool cases_reader::string(string_t& value) {
    switch (expected_) {
        case slot::plugin:
            if (value.empty()) return fail(token::string, "\"plugin\" must not be empty");
            file.plugin = value;
            expected_ = slot::top_key;
            return true;
        case slot::text: {
            const std::size_t units = utility::utf8_to_utf16(value).size();
            if (units == 0) return fail(token::string, "\"text\" must not be empty");
            if (units > lookup_text_capacity)
                return fail(token::string, "\"text\" holds at most " +
                                               std::to_string(lookup_text_capacity) +
                                               " UTF-16 units");
            current().text = value;
            return next_in_case();
        }
        case slot::standard_error: current().standard_error = value; return next_in_case();
        case slot::title_list: current().titles->push_back(value); return true;
        case slot::contains_list: current().contains->push_back(value); return true;
        default: return wrong(token::string);
    }
}

bool cases_reader::start_object(std::size_t) {
    if (expected_ == slot::file) {
        expected_ = slot::top_key;
    } else if (expected_ == slot::one_case) {
        file.cases.emplace_back();
        expected_ = slot::case_key;
    } else {
        return wrong(token::punctuation);
    }
    seen_.clear();
    return true;
}

bool cases_reader::take_key(const std::string& name,
                            const std::vector<std::pair<const char*, slot>>& keys) {
    if (std::find(seen_.begin(), seen_.end(), name) != seen_.end())
        return fail(token::string, "\"" + name + "\" appears twice");
    seen_.push_back(name);
    for (const auto& [known, next] : keys) {
        if (name != known) continue;
        expected_ = next;
        return true;
    }
    std::string names;
    for (const auto& known : keys) names += std::string(names.empty() ? "" : ", ") + known.first;
    return fail(token::string, "unknown key \"" + name + "\" (known: " + names + ")");
}

bool cases_reader::key(string_t& name) {
    if (expected_ == slot::top_key)
        return take_key(name, {{"plugin", slot::plugin}, {"cases", slot::cases}});
    return take_key(name, {{"text", slot::text},
                           {"titles", slot::titles},
                           {"contains", slot::contains},
                           {"count", slot::count},
                           {"stderr", slot::standard_error}});
}

bool cases_reader::end_object() {
    if (expected_ == slot::case_key) {
        if (std::find(seen_.begin(), seen_.end(), "text") == seen_.end())
            return fail(token::punctuation,
                        "case " + std::to_string(file.cases.size()) + " has no \"text\"");
        expected_ = slot::one_case;
        return true;
    }
    // The file's object: both keys were taken, the cases array closed before.
    if (file.plugin.empty()) return fail(token::punctuation, "the file has no \"plugin\"");
    if (!has_cases_) return fail(token::punctuation, "the file has no \"cases\"");
    expected_ = slot::file;
    return true;
}

bool cases_reader::start_array(std::size_t) {
    switch (expected_) {
        case slot::cases:
            expected_ = slot::one_case;
            has_cases_ = true;
            return true;
        case slot::titles:
            current().titles.emplace();
            expected_ = slot::title_list;
            return true;
        case slot::contains:
            current().contains.emplace();
            expected_ = slot::contains_list;
            return true;
        default: return wrong(token::punctuation);
    }
}

bool cases_reader::end_array() {
    if (expected_ == slot::one_case) {
        expected_ = slot::top_key;
        seen_ = {"cases"};
        if (!file.plugin.empty()) seen_.push_back("plugin");
        return true;
    }
    return next_in_case();  // a list of titles
}

bool cases_reader::parse_error(std::size_t position, const std::string&,
                               const nlohmann::detail::exception& problem) {
    // The library's text begins with its own code and place: keep only the reason.
    std::string reason = problem.what();
    const std::size_t column = reason.find("column ");
    const std::size_t colon = reason.find(": ", column == std::string::npos ? 0 : column);
    if (colon != std::string::npos) reason = reason.substr(colon + 2);
    // What it read last may be half a character: the place says enough.
    reason = reason.substr(0, reason.find("; last read: "));
    error = place_of(text_, position == 0 ? 0 : position - 1) + ": " + reason;
    return false;
}

}  // namespace

check_file parse_check_file(const std::string& text) {
    std::size_t furthest = 0;
    cases_reader reader(text, furthest);
    const counting_iterator first(text.data(), text.data(), &furthest);
    const counting_iterator last(text.data(), text.data() + text.size(), &furthest);
    if (!json::sax_parse(first, last, &reader) || !reader.error.empty())
        throw cases_file_error(reader.error.empty() ? "not a cases file" : reader.error);
    return std::move(reader.file);
}

check_file read_check_file(const std::string& utf8_path) {
    std::ifstream in(std::filesystem::u8path(utf8_path), std::ios::binary);
    std::ostringstream bytes;
    if (!in || !(bytes << in.rdbuf())) throw cases_file_error("the file cannot be read");
    return parse_check_file(bytes.str());
}

}  // namespace vuro_plugin::cli
