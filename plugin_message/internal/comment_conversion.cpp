#include "plugin_message/internal/comment_conversion.h"

#include <vector>

#include "text_escape/text_escape.h"

namespace {

const std::u16string opening_marker = u"\x1b\x05";
const std::u16string end_of_text = u"\x1b\x04";
const std::u16string line_break = u"\\n";  // backslash and "n", not a line feed

// The texts between each opening marker and the next "\n" after it, left to right.
std::vector<std::u16string> marked_segments(const std::u16string& text) {
    std::vector<std::u16string> segments;
    std::u16string::size_type position = 0;
    for (;;) {
        const auto open = text.find(opening_marker, position);
        if (open == std::u16string::npos) break;
        const auto start = open + opening_marker.size();
        const auto close = text.find(line_break, start);
        if (close == std::u16string::npos) break;
        segments.push_back(text.substr(start, close - start));
        position = close + line_break.size();
    }
    return segments;
}

}  // namespace

std::u16string convert_comment(const std::u16string& comment) {
    std::u16string text = text_escape::escape_xml(comment);
    for (const std::u16string& segment : marked_segments(text)) {
        const std::u16string marked = opening_marker + segment + line_break;
        const auto position = text.find(marked);
        if (position == std::u16string::npos) continue;
        text.replace(position, marked.size(),
                     u"<font color=\"#ff0000\">" + segment + u"</font>" + line_break);
    }
    text_escape::replace_all(text, end_of_text, u"");
    text_escape::replace_all(text, u" " + line_break, line_break);
    text_escape::replace_all(text, line_break, u"<br />");
    text_escape::replace_all(text, u"\n", u"<br />");
    return text;
}
