#include "xml_access_library/script_load.h"

#include <algorithm>

#include "xml_access_library/xml_access_utility.h"
#include "xml_access_library/xml_access_utility_impl.h"

namespace xml_access_library {

struct script_load::impl {
    explicit impl(const std::string& text) : source(text) {}
    xml_access_utility_impl source;
    std::vector<script_candidate_data> list;
    bool completed = false;
};

namespace {

using namespace xml_access_utility;

std::u16string child_text(const element_ref& item, const std::u16string& name, std::size_t limit) {
    const element_ref child = get_node_by_name_tag(name, item);
    if (!child) return {};
    return get_node_text(child, limit);
}

// The two string types carry the element's text; the two function types carry none.
void read_alternative(const element_ref& item, script_candidate_data& data) {
    const element_ref alternative = get_node_by_name_tag(u"alternative", item);
    if (!alternative) return;
    for (const char16_t* type : {u"definite_string", u"url_jump_string"}) {
        if (check_attribute_value(alternative, u"type", type)) {
            data.alternative_type = type;
            data.alternative = get_node_text(alternative, 512);
            return;
        }
    }
    for (const char16_t* type : {u"research_function", u"callbackonly_function"}) {
        if (check_attribute_value(alternative, u"type", type)) {
            data.alternative_type = type;
            return;
        }
    }
}

script_candidate_data read_candidate(const element_ref& item) {
    script_candidate_data data;
    data.title = child_text(item, u"title", 100);
    data.comment = child_text(item, u"comment", 10240);
    read_alternative(item, data);
    data.alternative_alias = child_text(item, u"alternative_alias", 100);
    data.info = child_text(item, u"info", 64);
    return data;
}

}  // namespace

script_load::script_load(const std::string& text) : impl_(std::make_unique<impl>(text)) {}

script_load::~script_load() = default;

bool script_load::parse() {
    try {
        std::vector<script_candidate_data>& list = impl_->list;
        if (!list.empty()) return false;  // parsed already
        const element_ref root = get_root_node(impl_->source);
        const node_list_ref items = get_node_list_by_name_tag(u"item", root);
        const std::int32_t count = items->length();
        list.reserve(std::min<std::size_t>(count, max_records));
        // Items past the last record that fits would be read only to be dropped.
        for (std::int32_t index = 0; index < count && list.size() < max_records; ++index) {
            const element_ref item = get_node_by_node_list(items, index);
            if (!check_attribute_value(item, u"type", u"script_candidate")) continue;
            list.push_back(read_candidate(item));
        }
        impl_->completed = true;
        return true;
    } catch (...) {
        return false;
    }
}

std::vector<script_candidate_data> script_load::get_candidate_list() const { return impl_->list; }

std::u16string script_load::get_diagnostic() const { return impl_->source.diagnostic(); }

}  // namespace xml_access_library
