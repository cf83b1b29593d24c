#include "app/markup_removal.h"

#include <algorithm>
#include <cstdint>

namespace vuro_plugin {
namespace {

bool is_blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool one_of(const std::u16string& name, std::initializer_list<const char16_t*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char16_t* n) { return name == n; });
}

bool is_block(const std::u16string& name) {
    return one_of(
        name, {u"p",       u"div",     u"h1",      u"h2",         u"h3",      u"h4",     u"h5",
               u"h6",      u"li",      u"ul",      u"ol",         u"dl",      u"dt",     u"dd",
               u"tr",      u"table",   u"caption", u"blockquote", u"pre",     u"hr",     u"body",
               u"section", u"article", u"header",  u"footer",     u"address", u"center", u"form"});
}

// Elements whose content a reader never sees.
bool is_hidden(const std::u16string& name) {
    return one_of(name, {u"head", u"title", u"style", u"script"});
}

// Collects the visible text: a blank or a line break waits until the next visible
// character, so that none stands at a line's start or end.
class text_writer {
public:
    void put(char16_t c, bool preformatted) {
        if (!preformatted && is_blank(c)) {
            space_ = true;
            return;
        }
        if (c == u'\r') return;
        if (break_) {
            text_ += u'\n';
        } else if (space_ && !text_.empty() && text_.back() != u'\n') {
            text_ += u' ';
        }
        space_ = break_ = false;
        text_ += c;
    }
    // The edge of a block: what follows starts a line of its own.
    void block_edge() {
        break_ = break_ || (!text_.empty() && text_.back() != u'\n');
        space_ = false;
    }
    void line_break() {
        text_ += u'\n';
        space_ = break_ = false;
    }
    std::u16string finish() {
        text_.erase(0, std::min(text_.find_first_not_of(u'\n'), text_.size()));
        while (!text_.empty() && text_.back() == u'\n') text_.pop_back();
        return std::move(text_);
    }

private:
    std::u16string text_;
    bool space_ = false;
    bool break_ = false;
};

void append_code_point(std::u16string& text, std::uint32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code < 0x10000) {
        text += static_cast<char16_t>(code);
    } else {
        code -= 0x10000;
        text += static_cast<char16_t>(0xD800 + (code >> 10));
        text += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    }
}

// The text an entity or character reference stands for; empty when it is neither.
std::u16string reference_text(const std::u16string& name) {
    static const struct {
        const char16_t* name;
        char16_t text;
    } entities[] = {
        {u"lt", u'<'}, {u"gt", u'>'}, {u"amp", u'&'}, {u"quot", u'"'}, {u"apos", u'\''}};
    for (const auto& entity : entities)
        if (name == entity.name) return std::u16string(1, entity.text);
    if (name.size() < 2 || name[0] != u'#') return {};
    const bool hex = name[1] == u'x' || name[1] == u'X';
    const std::size_t first = hex ? 2 : 1;
    if (first >= name.size() || name.size() - first > 6) return {};
    std::uint32_t code = 0;
    for (std::size_t i = first; i < name.size(); ++i) {
        const char16_t c = name[i];
        int digit = -1;
        if (c >= u'0' && c <= u'9') digit = c - u'0';
        if (hex && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
        if (hex && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
        if (digit < 0) return {};
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    std::u16string text;
    append_code_point(text, code);
    return text;
}

class markup_reader {
public:
    explicit markup_reader(const std::u16string& document) : doc_(document) {}

    std::u16string read() {
        while (at_ < doc_.size()) {
            if (doc_[at_] == u'<') {
                markup();
            } else if (doc_[at_] == u'&') {
                reference();
            } else {
                put(doc_[at_++]);
            }
        }
        return out_.finish();
    }

private:
    bool starts(const char16_t* text) const {
        return doc_.compare(at_, std::char_traits<char16_t>::length(text), text) == 0;
    }

    // Moves past `end`, or to the end of the document.
    void skip_past(const std::u16string& end) {
        const std::size_t found = doc_.find(end, at_);
        at_ = found == std::u16string::npos ? doc_.size() : found + end.size();
    }

    void put(char16_t c) {
        if (hidden_ == 0) out_.put(c, preformatted_ > 0);
    }

    void markup() {
        if (starts(u"<!--")) return skip_past(u"-->");
        if (starts(u"<?")) return skip_past(u"?>");
        if (starts(u"<![CDATA[")) {
            const std::size_t start = at_ + 9;
            const std::size_t end = std::min(doc_.find(u"]]>", start), doc_.size());
            for (std::size_t i = start; i < end; ++i) put(doc_[i]);
            at_ = std::min(end + 3, doc_.size());
            return;
        }
        if (starts(u"<!")) return skip_past(u">");
        tag();
    }

    // A start, end or empty-element tag; a '<' that opens none is text.
    void tag() {
        std::size_t end = at_ + 1;
        char16_t quote = 0;
        for (; end < doc_.size(); ++end) {
            const char16_t c = doc_[end];
            if (quote != 0) {
                if (c == quote) quote = 0;
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u'>') {
                break;
            }
        }
        if (end >= doc_.size()) return put(doc_[at_++]);
        const bool closing = doc_[at_ + 1] == u'/';
        const bool empty = doc_[end - 1] == u'/';
        std::size_t name_end = at_ + (closing ? 2 : 1);
        const std::size_t name_start = name_end;
        while (name_end < end && !is_blank(doc_[name_end]) && doc_[name_end] != u'/') ++name_end;
        std::u16string name = doc_.substr(name_start, name_end - name_start);
        name.erase(0, name.rfind(u':') == std::u16string::npos ? 0 : name.rfind(u':') + 1);
        for (char16_t& c : name)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        at_ = end + 1;
        element(name, closing, empty);
    }

    void element(const std::u16string& name, bool closing, bool empty) {
        if (is_hidden(name) && !empty) hidden_ = closing ? std::max(0, hidden_ - 1) : hidden_ + 1;
        if (name == u"pre" && !empty)
            preformatted_ = closing ? std::max(0, preformatted_ - 1) : preformatted_ + 1;
        if (hidden_ > 0) return;
        if (name == u"br") {
            out_.line_break();
        } else if (is_block(name)) {
            out_.block_edge();
        }
    }

    void reference() {
        const std::size_t semicolon = doc_.find(u';', at_);
        if (semicolon != std::u16string::npos && semicolon - at_ <= 10) {
            const std::u16string text = reference_text(doc_.substr(at_ + 1, semicolon - at_ - 1));
            if (!text.empty()) {
                for (const char16_t c : text) put(c);
                at_ = semicolon + 1;
                return;
            }
        }
        put(doc_[at_++]);
    }

    const std::u16string& doc_;
    std::size_t at_ = 0;
    text_writer out_;
    int hidden_ = 0;
    int preformatted_ = 0;
};

}  // namespace

std::u16string markup_removed(const std::u16string& document) {
    return markup_reader(document).read();
}

}  // namespace vuro_plugin
