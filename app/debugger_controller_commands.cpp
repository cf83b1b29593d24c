// The plug-in's own commands on the instance a run kept: its callback with a confirmed
// candidate, and its preference command.
#include "app/debugger_controller.h"

#include "app/debugger_texts.h"
#include "app/request_fill.h"
#include "app/run_notices.h"
#include "engine/call_record.h"
#include "engine/vuro_plugin_instance_script.h"
#include "utility/direct_settings.h"

namespace vuro_plugin {
namespace {

vuro_plugin_instance_script* script_of(const run_result& run) {
    return dynamic_cast<vuro_plugin_instance_script*>(run.instance.get());
}

// Why a call did not run, as far as its record tells.
std::u16string not_run_reason(const call_record& call) {
    if (call.bridge_file_failure) return texts::not_run_bridge_file;
    if (call.script_missing) return texts::not_run_script_missing;
    if (call.result == command_result::pipe_failure) return texts::not_run_pipe;
    return {};
}

std::u16string not_run_notice(const std::u16string& name, const std::u16string& reason) {
    return u"（" + name + texts::call_not_run + reason + u"）";
}

}  // namespace

command_outcome debugger_controller::OnCallback(const run_result& run,
                                                const std::u16string& candidate,
                                                const std::u16string& text) {
    vuro_plugin_instance_script* script = script_of(run);
    if (script == nullptr || !script->has_callback()) return command_outcome::not_declared;
    callback_request request{};
    fill_callback_request(request, candidate, text, utility::read_direct_settings().settings);
    script->run_callback(run.message, request, nullptr);
    return show_command_call(*script, u"run_callback", texts::callback_call);
}

command_outcome debugger_controller::OnPreference(const run_result& run, std::int64_t window) {
    vuro_plugin_instance_script* script = script_of(run);
    if (script == nullptr || !script->has_preference()) return command_outcome::not_declared;
    const bool answered = script->run_preference(window, 0);
    const command_outcome outcome =
        show_command_call(*script, u"run_preference", texts::preference_call);
    return answered || outcome != command_outcome::not_run ? outcome : command_outcome::failed;
}

// The instance's last record belongs to this command only when it names the command's
// method: a call that failed before it reached the runner leaves an earlier call's record,
// whose outputs were shown already.
command_outcome debugger_controller::show_command_call(const vuro_plugin_instance_script& script,
                                                       const std::u16string& method,
                                                       const std::u16string& name) {
    const call_record& call = script.last_call();
    if (call.method != method) {
        append_notice(output_box::standard_error, not_run_notice(name, {}));
        return command_outcome::not_run;
    }
    // Without a time limit, the only notice of its own is a start failure's.
    append_call(call, script_call::processing, interpreter_);
    switch (call.result) {
        case command_result::completed: return command_outcome::ran;
        case command_result::cancelled:
            append_notice(output_box::standard_error, texts::run_stopped);
            return command_outcome::stopped;
        default:
            append_notice(output_box::standard_error, not_run_notice(name, not_run_reason(call)));
            return command_outcome::not_run;
    }
}

}  // namespace vuro_plugin
