#include "text_escape/text_escape.h"

namespace text_escape {

void replace_all(std::u16string& text, const std::u16string& search,
                 const std::u16string& replacement) {
    if (search.empty()) return;
    std::u16string::size_type position = 0;
    while ((position = text.find(search, position)) != std::u16string::npos) {
        text.replace(position, search.size(), replacement);
        position += replacement.size();
    }
}

std::u16string to_forward_slashes(const std::u16string& path) {
    std::u16string result = path;
    for (char16_t& unit : result)
        if (unit == u'\\') unit = u'/';
    return result;
}

std::u16string escape_xml(const std::u16string& text) {
    // One pass gives the same result as one replacement pass per character with the
    // ampersand first: no inserted entity is ever looked at again.
    std::u16string result;
    result.reserve(text.size() + text.size() / 4);
    for (const char16_t unit : text) {
        switch (unit) {
            case u'&': result += u"&amp;"; break;
            case u'<': result += u"&lt;"; break;
            case u'>': result += u"&gt;"; break;
            case u'\'': result += u"&apos;"; break;
            case u'"': result += u"&quot;"; break;
            default: result += unit; break;
        }
    }
    return result;
}

}  // namespace text_escape
