#pragma once
// The debugger's two commands, Refresh and Run, step by step against a view. The
// controller decides every state the window shows and writes every box text; it blocks
// for as long as the plug-in's interpreter runs. A run stops early when its cancel token
// is cancelled (from any thread).
#include <cstddef>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/debugger_view.h"
#include "app/plugin_discovery.h"
#include "app/run_notices.h"
#include "app/viewer_candidates.h"
#include "engine/abstract_vuro_plugin_instance.h"
#include "engine/execute_command.h"

namespace vuro_plugin {

class cancel_token;
class vuro_plugin_instance_script;
struct call_record;
struct script_language;

// The longest text the Run command looks up: the capacity of the request's field.
inline constexpr std::size_t lookup_text_capacity = 200;

struct controller_options {
    // The production time limit unless a test shortens it; the controller gives it a
    // cancel token when it has none.
    runner_settings runner;
};

// What the window showed when Run was pressed.
struct run_request {
    std::u16string text;      // the "表記" box
    int selection = -1;       // the plug-in list's selected item; -1 when none
    std::int64_t window = 0;  // the native window, for the plug-in's message factory
};

// Wall times of a run's two interpreter calls on a monotonic clock; -1 for a call not made.
struct run_timings {
    std::int64_t syntax_check_ms = -1;  // the check that passed
    std::int64_t processing_ms = -1;
};

// What one Run came to.
struct run_result {
    enum class outcome {
        not_started,  // no text, or a text too long; a message said so
        no_language,  // no language accepted the script
        completed,    // the processing call was made
        failed,       // an error stopped the run; a message said so
        stopped,      // the run was cancelled; a notice said so
    };
    outcome result = outcome::not_started;
    std::string error;  // failed: the error's own text
    // Kept only when asked for: the instance and the message of the processing call.
    instance_handle instance;
    message_handle message;
    run_timings timings;
    // completed: the candidates as the host's viewer receives them, or why there are none.
    viewer_candidates candidates;

    static run_result ended(outcome how, std::string error = {}) {
        run_result result;
        result.result = how;
        result.error = std::move(error);
        return result;
    }
};

// What a plug-in command after a run came to.
enum class command_outcome {
    not_declared,  // the plug-in's preference document does not enable it; nothing ran
    ran,           // the call ran; its outputs are shown
    not_run,       // the call did not reach the interpreter, or it could not start; a
                   // notice says so
    stopped,       // the call was cancelled; a notice says so
    failed,        // the preference command only: an error on the way (its folder, say)
};

class debugger_controller {
public:
    debugger_controller(debugger_view& view, std::u16string plugin_folder,
                        controller_options options = {});

    // Lists the scripts of the plug-in folder in the view, or says there are none.
    void OnRefresh();
    // Lists the given plug-ins as a refresh would, without the message for none.
    void show_plugins(std::vector<plugin_entry> plugins);
    const std::vector<plugin_entry>& plugins() const { return plugins_; }
    const std::u16string& plugin_folder() const { return plugin_folder_; }

    // Runs the selected plug-in once: syntax check, then one processing call with the
    // request's text and the proxy settings; both outputs go to the view, then a notice
    // for every way the run ended that the outputs do not explain.
    run_result OnRun(const run_request& request, bool keep_instance = false);
    // The processing half of Run, for callers that check a plug-in once and then make many
    // calls: a fresh instance of `language` (whose syntax check passed for this plug-in),
    // one processing call with `text`, its outputs and notices to the view. Controllers
    // of their own may do this in parallel.
    run_result OnProcess(const plugin_entry& plugin, const script_language& language,
                         const std::u16string& text);

    // The plug-in's own commands on the instance a run kept (OnRun with keep_instance),
    // without time limit but stopped by the cancel token: each shows what its own call
    // printed, never outputs an earlier call stored, with a notice when it did not run.
    command_outcome OnCallback(const run_result& run, const std::u16string& candidate,
                               const std::u16string& text);
    command_outcome OnPreference(const run_result& run, std::int64_t window = 0);

    // Tries each language on the script and returns the instance whose syntax check
    // passed, or an empty pointer; the checks' outputs go to the view.
    instance_handle CreateScriptInstance(const std::u16string& folder,
                                         const std::u16string& file_name);

    // Appends output bytes as captured (UTF-8) to a box, as one line or more; empty
    // output changes nothing.
    void AppendStandardOutput(const std::string& bytes);
    void AppendStandardError(const std::string& bytes);

    // Cancelling it stops the run going; reset it before the next.
    const std::shared_ptr<cancel_token>& cancellation() const { return options_.runner.cancel; }

private:
    void append(output_box box, const std::string& bytes);
    void append_cut_notice(output_box box);
    void append_notice(output_box box, const std::u16string& notice);
    void append_call(const call_record& call, script_call which,
                     const std::u16string& interpreter = {});
    void set_buttons(bool enabled);
    void set_stage(bool buttons, int percent);
    template <typename Run>
    run_result guarded(const std::u16string& text, const Run& run);
    run_result run(const run_request& request, bool keep_instance);
    run_result process(const instance_handle& instance, const std::u16string& text,
                       std::int64_t window, bool keep_instance);
    run_result stopped();
    run_result completed(const instance_handle& instance, const message_handle& message,
                         bool too_large, bool keep_instance);
    command_outcome show_command_call(const vuro_plugin_instance_script& script,
                                      const std::u16string& method, const std::u16string& name);
    void report_failure(const std::exception& error);

    debugger_view& view_;
    std::u16string plugin_folder_;
    controller_options options_;
    std::vector<plugin_entry> plugins_;
    std::u16string interpreter_;         // of the language whose syntax check passed last
    std::int64_t syntax_check_ms_ = -1;  // of that check
};

}  // namespace vuro_plugin
