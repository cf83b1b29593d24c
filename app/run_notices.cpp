#include "app/run_notices.h"

#include "app/debugger_texts.h"
#include "utility/text_conversion.h"

namespace vuro_plugin {
namespace {

std::u16string ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// Whole seconds as such ("60"), anything else with its fraction ("0.5").
std::u16string seconds(std::int32_t ms) {
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0) {
        std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
        while (fraction.back() == '0') fraction.pop_back();
        text += "." + fraction;
    }
    return ascii(text);
}

}  // namespace

std::u16string time_limit_notice(script_call call, std::int32_t limit_ms) {
    return (call == script_call::syntax_check ? texts::time_limit_syntax_check_before
                                              : texts::time_limit_processing_before) +
           seconds(limit_ms) + texts::time_limit_after;
}

std::u16string interpreter_not_started_notice(const std::u16string& interpreter) {
    return texts::interpreter_not_started_before + interpreter +
           texts::interpreter_not_started_after;
}

std::u16string settings_notice(const platform::registry_fault& fault) {
    using kind = platform::registry_fault::kind;
    if (fault.what == kind::none) return {};
    if (fault.what == kind::no_location) return texts::settings_no_location;
    const std::u16string named = texts::settings_file_before + utility::utf8_to_utf16(fault.file);
    switch (fault.what) {
        case kind::does_not_parse:
            if (fault.line == 0) return named + texts::settings_unparsable_after;
            return named + texts::settings_line_before + ascii(std::to_string(fault.line)) +
                   texts::settings_line_after;
        case kind::too_large: return named + texts::settings_too_large_after;
        case kind::not_a_file: return named + texts::settings_not_a_file_after;
        default: return named + texts::settings_unreadable_after;
    }
}

}  // namespace vuro_plugin
