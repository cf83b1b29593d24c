#include "app/cli/cli_view.h"

#include <cstdio>

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

std::string seconds_text(std::int64_t milliseconds) {
    if (milliseconds < 0) return "not made";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(milliseconds) / 1000);
    return text;
}

// The pieces stay the plug-in's bytes; the tool's own notices go with the messages.
void cli_view::append_to_box(output_box box, const box_piece& piece) {
    const bool output = box == output_box::standard_output;
    switch (piece.what) {
        case box_piece::kind::output:
            (output ? out_ : err_) << piece.bytes << '\n';
            (output ? out_ : err_).flush();
            return;
        case box_piece::kind::cut_notice:
            err_ << "plugdebug-cli: standard " << (output ? "output" : "error")
                 << " of the plug-in: " << terminal_text(std::u16string(piece.notice)) << '\n';
            break;
        case box_piece::kind::notice:
            err_ << "plugdebug-cli: " << terminal_text(std::u16string(piece.notice)) << '\n';
            break;
    }
    err_.flush();
}

void cli_view::show_message(const std::u16string& text) {
    err_ << terminal_text(text) << '\n';
    err_.flush();
}

}  // namespace vuro_plugin::cli
