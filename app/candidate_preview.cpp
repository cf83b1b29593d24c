#include "app/candidate_preview.h"

#include <exception>

#include "app/debugger_texts.h"
#include "utility/text_conversion.h"
#include "xml_access_library/xml_access_utility.h"
#include "xml_access_library/xml_access_utility_impl.h"

namespace vuro_plugin {
namespace {

std::u16string ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

std::u16string seconds_text(std::int64_t milliseconds) {
    const std::int64_t hundredths = (milliseconds + 5) / 10;
    std::string fraction = std::to_string(hundredths % 100);
    if (fraction.size() < 2) fraction.insert(0, 1, '0');
    return ascii(std::to_string(hundredths / 100) + "." + fraction);
}

std::u16string preview_link_text(const run_result& run) {
    if (run.result != run_result::outcome::completed) return {};
    return texts::preview_link_before + ascii(std::to_string(run.candidates.items.size())) +
           texts::preview_link_count_after + seconds_text(run.timings.syntax_check_ms) +
           texts::preview_link_syntax_check_after + seconds_text(run.timings.processing_ms) +
           texts::preview_link_after;
}

std::u16string candidate_row_text(std::size_t index, const viewer_candidate& candidate) {
    std::u16string row = ascii(std::to_string(index + 1)) + u". " + candidate.title;
    if (!candidate.alternative_type.empty()) {
        row += u"　→ " + (candidate.alias.empty() ? candidate.target : candidate.alias) + u"（" +
               candidate.alternative_type + u"）";
    }
    if (!candidate.info.empty()) row += u"　［" + candidate.info + u"］";
    return row;
}

candidate_preview_content preview_content_of(const run_result& run) {
    if (run.result != run_result::outcome::completed)
        return {{}, {}, texts::no_candidates_run_not_completed};
    candidate_preview_content content{run.candidates.items, {}, run.candidates.why_none};
    for (std::size_t i = 0; i < content.candidates.size(); ++i)
        content.rows.push_back(candidate_row_text(i, content.candidates[i]));
    return content;
}

candidate_preview_content empty_preview_content() {
    return {{}, {}, texts::no_candidates_no_run_yet};
}

bool comment_is_well_formed(const std::u16string& comment) {
    if (comment.empty()) return false;
    try {
        xml_access_library::xml_access_utility_impl source(utility::utf16_to_utf8(comment));
        return xml_access_library::xml_access_utility::get_root_node(source) != nullptr;
    } catch (const std::exception&) {
        return false;
    }
}

comment_text comment_as_text(const std::u16string& comment) {
    if (comment.empty()) return {texts::preview_no_comment, {}};
    if (comment_is_well_formed(comment)) return {markup_removed(comment), {}};
    return {comment, texts::preview_comment_not_xml};
}

}  // namespace vuro_plugin
