#include "engine/message_script.h"

#include "text_escape/text_escape.h"
#include "utility/text_conversion.h"

namespace vuro_plugin {
namespace {

// Element content: escaped and in UTF-8. The characters XML cannot carry are made safe
// as well (candidates read from a plug-in never hold them, but a host may build its own):
// a carriage return as a character reference, so that it survives parsing, the other
// control characters as blanks, as the bridges do, and the two non-characters U+FFFE and
// U+FFFF as U+FFFD, which the conversion makes of unpaired surrogates too. This happens
// before the conversion, which would end the text at a NUL.
std::string content(const std::u16string& text) {
    const std::u16string escaped = text_escape::escape_xml(text);
    std::u16string safe;
    safe.reserve(escaped.size());
    for (const char16_t unit : escaped) {
        if (unit == u'\r') {
            safe += u"&#13;";
        } else if (unit < 0x20 && unit != u'\t' && unit != u'\n') {
            safe += u' ';
        } else {
            safe += unit >= 0xFFFE ? u'\uFFFD' : unit;
        }
    }
    return utility::utf16_to_utf8(safe);
}

void append_element(std::string& xml, const char* indent, const char* name,
                    const std::string& text) {
    xml.append(indent).append("<").append(name).append(">");
    xml.append(text);
    xml.append("</").append(name).append(">\n");
}

// The alternative's type when it is written, else null. A url_jump_string must be an
// address of the web; the test is on the escaped target, as the viewer receives it.
const char* written_alternative_type(const message_script_item& item, const std::string& target) {
    if (item.alternative.empty()) return nullptr;
    if (item.alternative_type == u"definite_string") return "definite_string";
    if (item.alternative_type == u"url_jump_string" && target.compare(0, 4, "http") == 0)
        return "url_jump_string";
    return nullptr;
}

void append_alternative(std::string& xml, const message_script_item& item) {
    if (item.alternative.empty()) return;
    const std::string target = content(item.alternative);
    const char* type = written_alternative_type(item, target);
    if (type == nullptr) return;
    xml.append("\t\t<alternative type=\"").append(type).append("\">\n");
    append_element(xml, "\t\t\t", "target", target);
    if (!item.alternative_alias.empty())
        append_element(xml, "\t\t\t", "alias", content(item.alternative_alias));
    xml.append("\t\t</alternative>\n");
}

void append_item(std::string& xml, const message_script_item& item, std::size_t index,
                 const std::string& plugin_index, const std::string& generation_id) {
    xml.append("\t<item type=\"candidate\">\n");
    if (!item.title.empty()) append_element(xml, "\t\t", "title", content(item.title));
    if (!item.comment.empty()) append_element(xml, "\t\t", "comment", content(item.comment));
    append_alternative(xml, item);
    if (!item.info.empty()) append_element(xml, "\t\t", "info", content(item.info));
    append_element(xml, "\t\t", "plugin_index", plugin_index);
    append_element(xml, "\t\t", "candidate_index", std::to_string(index));
    append_element(xml, "\t\t", "generation_id", generation_id);
    xml.append("\t</item>\n");
}

}  // namespace

message_script::message_script() = default;

message_script::~message_script() = default;

void message_script::append_item(const message_script_item& item) { items_.push_back(item); }

std::string message_script::write_candidate_xml(std::int32_t plugin_index,
                                                std::int32_t generation_id) const {
    const std::string plugin = std::to_string(plugin_index);
    const std::string generation = std::to_string(generation_id);
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n\n<itemlist>\n";
    for (std::size_t index = 0; index < items_.size(); ++index)
        vuro_plugin::append_item(xml, items_[index], index, plugin, generation);
    xml.append("</itemlist>\n");
    return xml;
}

}  // namespace vuro_plugin
