// The calls that hand a request or a message to the plug-in instance: processing,
// callback, preference, and the viewer document of a result message.
#include <exception>
#include <stdexcept>
#include <string>

#include "engine/bridge_arguments.h"
#include "engine/message_script.h"
#include "engine/run_script.h"
#include "engine/vuro_plugin_instance_script.h"
#include "xml_access_library/script_load.h"

namespace vuro_plugin {
namespace {

// The message as the result message this instance made; throws "... : fault1." for an
// empty handle and "... : fault2." for a message of another class.
message_script& script_message(const message_handle& message, const char* operation) {
    const std::string prefix = std::string("vuro_plugin_instance_script::") + operation;
    if (!message) throw std::runtime_error(prefix + "() : fault1.");
    auto* script = dynamic_cast<message_script*>(message.get());
    if (script == nullptr) throw std::runtime_error(prefix + "() : fault2.");
    return *script;
}

// Copied by field: the two records order the alias and the type differently.
message_script_item to_item(const xml_access_library::script_candidate_data& candidate) {
    message_script_item item;
    item.title = candidate.title;
    item.comment = candidate.comment;
    item.alternative = candidate.alternative;
    item.alternative_alias = candidate.alternative_alias;
    item.alternative_type = candidate.alternative_type;
    item.info = candidate.info;
    return item;
}

}  // namespace

void vuro_plugin_instance_script::run_processing(message_handle message,
                                                 const processing_request& request,
                                                 vuro_plugin_message_quit_flag&) {
    message_script& result = script_message(message, "run_processing");
    std::vector<std::u16string> arguments = processing_arguments(request);
    if (data_->preference.preference)
        arguments.push_back(preference_path_argument(data_->preference.name));

    if (!run_script_call(u"run_process", arguments, *data_, true, settings_)) return;
    const std::string& output = data_->standard_output;
    if (output.empty()) return;
    xml_access_library::script_load document(output);
    if (!document.parse()) return;  // not a candidate document: the plug-in's output shows why
    for (const auto& candidate : document.get_candidate_list())
        result.append_item(to_item(candidate));
}

void vuro_plugin_instance_script::run_callback(message_handle, const callback_request& request,
                                               vuro_plugin_message_quit_flag*) {
    if (!data_->preference.callback) return;
    try {
        std::vector<std::u16string> arguments = callback_arguments(request);
        if (data_->preference.preference)
            arguments.push_back(preference_path_argument(data_->preference.name));
        run_script(u"run_callback", arguments, *data_, false, settings_);
    } catch (const std::exception&) {
        // The host has nothing to do about a failed notification.
    }
}

bool vuro_plugin_instance_script::run_preference(std::int64_t, std::int32_t) {
    if (!data_->preference.preference) return true;
    try {
        run_script(u"run_preference", {preference_path_argument(data_->preference.name)}, *data_,
                   false, settings_);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

plugin_receive_data vuro_plugin_instance_script::get_plugin_receive_data(
    message_handle message, std::int32_t generation_id, std::int32_t plugin_index) {
    const message_script& source = script_message(message, "get_plugin_receive_data");
    plugin_receive_data result;
    if (source.items().empty()) {
        result.status = receive_data_empty;
    } else {
        result.status = receive_data_filled;
        result.xml = source.write_candidate_xml(plugin_index, generation_id);
    }
    return result;
}

}  // namespace vuro_plugin
