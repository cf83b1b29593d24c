#include "app/cli/cli_view.h"

#include "utility/text_conversion.h"

namespace vuro_plugin::cli {

std::string terminal_text(const std::u16string& text) {
    std::string bytes = utility::utf16_to_utf8(text);
    std::string result;
    result.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        result += bytes[i];
    }
    return result;
}

void cli_view::output_appended(output_box box, std::string_view bytes) {
    std::ostream& stream = box == output_box::standard_output ? out_ : err_;
    stream << bytes << '\n';
    stream.flush();
}

// The pieces stay the plug-in's bytes; the tool's own notice goes with the messages.
void cli_view::output_cut(output_box box, const std::u16string& notice) {
    const char* stream = box == output_box::standard_output ? "output" : "error";
    err_ << "plugdebug-cli: standard " << stream << " of the plug-in: " << terminal_text(notice)
         << '\n';
    err_.flush();
}

void cli_view::output_notice(output_box, const std::u16string& notice) {
    err_ << "plugdebug-cli: " << terminal_text(notice) << '\n';
    err_.flush();
}

void cli_view::show_message(const std::u16string& text) {
    err_ << terminal_text(text) << '\n';
    err_.flush();
}

}  // namespace vuro_plugin::cli
