#include "engine/vuro_plugin_instance_script.h"

#include <boost/make_shared.hpp>
#include <exception>
#include <stdexcept>

#include "engine/file_presence.h"
#include "engine/message_script.h"
#include "engine/run_script.h"
#include "utility/data_folder.h"
#include "utility/file_access.h"
#include "utility/text_conversion.h"
#include "xml_access_library/script_preference.h"

namespace vuro_plugin {
namespace {

constexpr std::size_t short_name_limit = 16;

bool has_extension(const std::u16string& file_name, const std::u16string& extension) {
    return file_name.size() > extension.size() &&
           utility::equal_no_case(file_name.substr(file_name.size() - extension.size()), extension);
}

// a.rb goes with a.xml in the same folder.
std::u16string preference_document_path(const std::u16string& script_path,
                                        const std::u16string& extension) {
    return script_path.substr(0, script_path.size() - extension.size()) + u".xml";
}

// The record of the preference document, or the empty record when there is none or it
// cannot be read.
xml_access_library::script_preference_data read_preference(const std::u16string& path) {
    try {
        xml_access_library::script_preference document(utility::read_file(path));
        if (document.parse()) return document.get_preference();
    } catch (const std::exception&) {
    }
    return {};
}

bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

}  // namespace

vuro_plugin_instance_script::vuro_plugin_instance_script(const std::u16string& plugin_folder,
                                                         const std::u16string& file_name,
                                                         const std::u16string& interpreter,
                                                         const std::u16string& extension,
                                                         const std::u16string& language_name,
                                                         const std::string& stored_bridge,
                                                         const runner_settings& settings)
    : data_(std::make_unique<script_instance_data>()), settings_(settings) {
    script_instance_data& data = *data_;
    data.interpreter = interpreter;
    data.extension = extension;
    data.bridge_template = stored_bridge;
    data.script_path = plugin_folder + file_name;
    data.data_folder = utility::get_vuro_direct_data_folder();
    data.file_name = file_name;
    data.language_name = language_name;

    if (!has_extension(file_name, extension)) return;
    if (!file_exists(data.script_path)) {
        data.message = file_name + u" : [SCRIPT] ファイルが見つかりませんでした";
        return;
    }
    data.preference = read_preference(preference_document_path(data.script_path, extension));
    if (data.preference.name.empty()) data.preference.name = file_name;
    data.usable = true;
}

vuro_plugin_instance_script::~vuro_plugin_instance_script() = default;

bool vuro_plugin_instance_script::check_syntax() {
    return vuro_plugin::check_syntax(*data_, settings_);
}

std::string vuro_plugin_instance_script::get_standard_output() const {
    return data_->standard_output;
}

std::string vuro_plugin_instance_script::get_standard_error() const {
    return data_->standard_error;
}

bool vuro_plugin_instance_script::standard_output_cut() const { return data_->standard_output_cut; }

bool vuro_plugin_instance_script::standard_error_cut() const { return data_->standard_error_cut; }

const call_record& vuro_plugin_instance_script::last_call() const { return data_->last_call; }

bool vuro_plugin_instance_script::is_usable() const { return data_->usable; }

std::u16string vuro_plugin_instance_script::get_message() const { return data_->message; }

bool vuro_plugin_instance_script::prepare_processing() { return true; }

void vuro_plugin_instance_script::complete_processing() {}

std::u16string vuro_plugin_instance_script::get_plugin_name() const {
    return data_->preference.name;
}

std::u16string vuro_plugin_instance_script::get_plugin_name_short() const {
    const auto& preference = data_->preference;
    if (!preference.name_short.empty()) return preference.name_short;
    if (preference.name.size() <= short_name_limit) return preference.name;
    std::size_t kept = short_name_limit - 1;
    // Never keep half of a surrogate pair.
    if (is_high_surrogate(preference.name[kept - 1])) --kept;
    return preference.name.substr(0, kept) + u"…";
}

std::u16string vuro_plugin_instance_script::get_plugin_description() const {
    return data_->preference.description;
}

std::u16string vuro_plugin_instance_script::get_plugin_copyright() const {
    return data_->preference.copyright;
}

std::u16string vuro_plugin_instance_script::get_language_name() const {
    return data_->language_name;
}

std::int32_t vuro_plugin_instance_script::get_major_version() const {
    return data_->preference.major_version;
}

std::int32_t vuro_plugin_instance_script::get_minor_version() const {
    return data_->preference.minor_version;
}

bool vuro_plugin_instance_script::query_flag_one() const { return false; }

bool vuro_plugin_instance_script::query_flag_two() const { return true; }

bool vuro_plugin_instance_script::has_callback() const { return data_->preference.callback; }

std::set<std::u16string> vuro_plugin_instance_script::get_function_names() const {
    return {u"候補取得"};
}

bool vuro_plugin_instance_script::has_preference() const { return data_->preference.preference; }

bool vuro_plugin_instance_script::query_flag_three() const { return true; }

bool vuro_plugin_instance_script::query_flag_four() const { return false; }

message_handle vuro_plugin_instance_script::create_plugin_message(std::int64_t, std::int32_t) {
    return boost::make_shared<message_script>();
}

void vuro_plugin_instance_script::set_plugin_request_data(message_handle) {
    throw std::runtime_error("vuro_plugin_instance_script::set_plugin_request_data() : fault.");
}

void vuro_plugin_instance_script::set_plugin_request_data(const void*, std::size_t) {
    throw std::runtime_error("vuro_plugin_instance_script::set_plugin_request_data() : fault.");
}

void vuro_plugin_instance_script::set_plugin_message(message_handle) {}

void vuro_plugin_instance_script::set_quit_request_for_palette(bool) {
    throw std::runtime_error(
        "vuro_plugin_instance_script::set_quit_request_for_palette() : fault.");
}

}  // namespace vuro_plugin
