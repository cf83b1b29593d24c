#include "app/box_text.h"

#include "utility/text_conversion.h"

namespace vuro_plugin {
namespace {

// Interpreters end lines with LF and an edit box breaks lines at CR LF only; a lone CR
// would show as nothing.
std::u16string with_crlf_line_ends(const std::u16string& text) {
    std::u16string shown;
    shown.reserve(text.size() + text.size() / 16 + 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit == u'\r' || unit == u'\n') {
            shown += u"\r\n";
            if (unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else {
            shown += unit;
        }
    }
    shown += u"\r\n";
    return shown;
}

}  // namespace

std::u16string box_text_of_output(std::string_view bytes) {
    if (bytes.empty()) return {};
    return with_crlf_line_ends(utility::output_to_utf16(std::string(bytes)));
}

std::u16string box_text_of_notice(std::u16string_view notice) {
    return with_crlf_line_ends(std::u16string(notice));
}

}  // namespace vuro_plugin
