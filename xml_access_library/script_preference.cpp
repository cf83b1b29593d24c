#include "xml_access_library/script_preference.h"

#include <cerrno>
#include <cstdlib>

#include "utility/text_conversion.h"
#include "xml_access_library/xml_access_utility.h"
#include "xml_access_library/xml_access_utility_impl.h"

namespace xml_access_library {

struct script_preference::impl {
    explicit impl(const std::string& text) : source(text) {}
    xml_access_utility_impl source;
    script_preference_data record;
    bool completed = false;
};

namespace {

using namespace xml_access_utility;

std::u16string child_text(const element_ref& root, const std::u16string& name, std::size_t limit) {
    const element_ref child = get_node_by_name_tag(name, root);
    return child ? get_node_text(child, limit) : std::u16string();
}

// A decimal integer read as strtol reads it (leading white space and one sign allowed);
// 0 unless the whole text is consumed and the value lies in 0..100.
std::int32_t version_value(const element_ref& root, const std::u16string& name) {
    const element_ref child = get_node_by_name_tag(name, root);
    if (!child) return 0;
    const std::string text = utility::utf16_to_utf8(get_node_text(child));
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < 0 || value > 100) return 0;
    return static_cast<std::int32_t>(value);
}

bool switch_value(const element_ref& root, const std::u16string& name) {
    const element_ref child = get_node_by_name_tag(name, root);
    return child && get_node_text(child) == u"true";
}

script_preference_data read_record(const element_ref& root) {
    script_preference_data data;
    data.name = child_text(root, u"name", 100);
    data.name_short = child_text(root, u"name_short", 16);
    data.description = child_text(root, u"description", 256);
    data.copyright = child_text(root, u"copyright", 256);
    data.major_version = version_value(root, u"major_version");
    data.minor_version = version_value(root, u"minor_version");
    data.preference = switch_value(root, u"preference");
    data.callback = switch_value(root, u"callback");
    return data;
}

}  // namespace

script_preference::script_preference(const std::string& text)
    : impl_(std::make_unique<impl>(text)) {}

script_preference::~script_preference() = default;

bool script_preference::parse() {
    try {
        const script_preference_data& stored = impl_->record;
        if (!stored.name.empty() || !stored.description.empty() || !stored.copyright.empty())
            return false;  // parsed already
        script_preference_data data = read_record(get_root_node(impl_->source));
        impl_->record = std::move(data);
        impl_->completed = true;
        return true;
    } catch (...) {
        return false;
    }
}

script_preference_data script_preference::get_preference() const { return impl_->record; }

std::u16string script_preference::get_diagnostic() const { return impl_->source.diagnostic(); }

}  // namespace xml_access_library
