#include "app/cli/junit_report.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace vuro_plugin::cli {
namespace {

constexpr char replacement[] = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at `at`, or 0.
std::size_t sequence_length(const std::string& text, std::size_t at, char32_t& code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80                   ? 1
                         : lead >= 0xC2 && lead < 0xE0 ? 2
                         : lead >= 0xE0 && lead < 0xF0 ? 3
                         : lead >= 0xF0 && lead < 0xF5 ? 4
                                                       : 0;
    if (length == 0 || at + length > text.size()) return 0;
    code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

bool allowed_in_xml(char32_t code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code < 0xFFFE);
}

// Escaped for element content or, with `attribute`, for a value in double quotes (where
// line ends and tabs are written as references, so that they survive normalisation).
std::string escaped(const std::string& text, bool attribute) {
    std::string result;
    for (std::size_t i = 0; i < text.size();) {
        char32_t code = 0;
        const std::size_t length = sequence_length(text, i, code);
        if (length == 0 || !(allowed_in_xml(code) || code >= 0x10000)) {
            result += replacement;
            i += length == 0 ? 1 : length;
            continue;
        }
        switch (code) {
            case '&': result += "&amp;"; break;
            case '<': result += "&lt;"; break;
            case '>': result += "&gt;"; break;
            case '"': result += attribute ? "&quot;" : "\""; break;
            case '\t': result += attribute ? "&#9;" : "\t"; break;
            case '\n': result += attribute ? "&#10;" : "\n"; break;
            case '\r': result += "&#13;"; break;
            default: result.append(text, i, length);
        }
        i += length;
    }
    return result;
}

std::string seconds_text(double seconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", seconds);
    return buffer;
}

}  // namespace

std::string junit_xml(const std::string& suite, const std::vector<junit_case>& cases) {
    std::size_t failures = 0;
    double total = 0;
    for (const junit_case& one : cases) {
        failures += one.failure.empty() ? 0 : 1;
        total += one.seconds;
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
    xml += "  <testsuite name=\"" + escaped(suite, true) + "\" tests=\"" +
           std::to_string(cases.size()) + "\" failures=\"" + std::to_string(failures) +
           "\" errors=\"0\" time=\"" + seconds_text(total) + "\">\n";
    for (const junit_case& one : cases) {
        xml += "    <testcase classname=\"" + escaped(suite, true) + "\" name=\"" +
               escaped(one.name, true) + "\" time=\"" + seconds_text(one.seconds) + "\"";
        if (one.failure.empty()) {
            xml += "/>\n";
            continue;
        }
        xml += ">\n      <failure message=\"" + escaped(one.failure, true) + "\">" +
               escaped(one.failure, false) + "</failure>\n    </testcase>\n";
    }
    xml += "  </testsuite>\n</testsuites>\n";
    return xml;
}

void write_report(const std::string& utf8_path, const std::string& contents) {
    namespace fs = std::filesystem;
    const fs::path target = fs::u8path(utf8_path);
    fs::path temporary = target;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out || !(out << contents) || !out.flush()) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            throw std::runtime_error("the report " + utf8_path + " cannot be written");
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw std::runtime_error("the report " + utf8_path +
                                 " cannot be written: " + error.message());
    }
}

}  // namespace vuro_plugin::cli
