#include "app/viewer_candidates.h"

#include <stdexcept>

#include "app/debugger_texts.h"
#include "xml_access_library/script_load.h"
#include "xml_access_library/xml_access_utility.h"
#include "xml_access_library/xml_access_utility_impl.h"

namespace vuro_plugin {
namespace {

using namespace xml_access_library;
using namespace xml_access_library::xml_access_utility;

std::u16string child_text(const element_ref& parent, const std::u16string& name) {
    const element_ref child = get_node_by_name_tag(name, parent);
    return child ? get_node_text(child) : std::u16string();
}

viewer_candidate read_item(const element_ref& item) {
    viewer_candidate candidate;
    candidate.title = child_text(item, u"title");
    candidate.comment = child_text(item, u"comment");
    if (const element_ref alternative = get_node_by_name_tag(u"alternative", item)) {
        for (const char16_t* type : {u"definite_string", u"url_jump_string"})
            if (check_attribute_value(alternative, u"type", type))
                candidate.alternative_type = type;
        candidate.target = child_text(alternative, u"target");
        candidate.alias = child_text(alternative, u"alias");
    }
    candidate.info = child_text(item, u"info");
    return candidate;
}

}  // namespace

std::vector<viewer_candidate> read_viewer_document(const std::string& xml) {
    std::vector<viewer_candidate> candidates;
    if (xml.empty()) return candidates;
    xml_access_utility_impl source(xml);
    const element_ref root = get_root_node(source);
    const node_list_ref items = get_node_list_by_name_tag(u"item", root);
    for (std::int32_t index = 0; index < items->length(); ++index) {
        const element_ref item = get_node_by_node_list(items, index);
        if (check_attribute_value(item, u"type", u"candidate"))
            candidates.push_back(read_item(item));
    }
    return candidates;
}

std::u16string why_no_candidates(const std::string& output) {
    if (output.empty()) return texts::no_candidates_empty_output;
    try {
        script_load document(output);
        if (!document.parse())
            return texts::no_candidates_not_a_document + document.get_diagnostic();
    } catch (const std::exception&) {
        return texts::output_too_large;  // the only way a non-empty text is refused unread
    }
    return texts::no_candidates_in_document;
}

}  // namespace vuro_plugin
