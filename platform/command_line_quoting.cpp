#include "platform/command_line_quoting.h"

namespace platform {
namespace {

void append_argument(std::u16string& line, const std::u16string& argument) {
    line += u'"';
    std::size_t backslashes = 0;
    for (const char16_t unit : argument) {
        if (unit == u'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless a quote follows them.
        const std::size_t written = unit == u'"' ? 2 * backslashes + 1 : backslashes;
        line.append(written, u'\\');
        line += unit;
        backslashes = 0;
    }
    line.append(2 * backslashes, u'\\');  // before the closing quote
    line += u'"';
}

}  // namespace

std::u16string quote_command_line(const std::vector<std::u16string>& arguments) {
    std::u16string line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i == 0) {
            const bool blank = arguments[0].find_first_of(u" \t") != std::u16string::npos;
            line += blank ? u"\"" + arguments[0] + u"\"" : arguments[0];
        } else {
            line += u' ';
            append_argument(line, arguments[i]);
        }
    }
    return line;
}

}  // namespace platform
