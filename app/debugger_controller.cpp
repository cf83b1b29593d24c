#include "app/debugger_controller.h"

#include <exception>
#include <stdexcept>
#include <utility>

#include <boost/make_shared.hpp>

#include "app/box_text.h"
#include "app/debugger_texts.h"
#include "app/failure_message.h"
#include "app/request_fill.h"
#include "app/run_notices.h"
#include "engine/call_record.h"
#include "engine/cancel_token.h"
#include "engine/run_script.h"
#include "engine/script_language.h"
#include "engine/vuro_plugin_instance_script.h"
#include "plugin_message/vuro_plugin_message_quit_flag.h"
#include "utility/direct_settings.h"
#include "xml_access_library/xml_errors.h"

namespace vuro_plugin {
namespace {

// Clears the title's run notice however the run ends.
class run_going {
public:
    explicit run_going(debugger_view& view) : view_(view) { view_.show_run_going(true); }
    ~run_going() { view_.show_run_going(false); }
    run_going(const run_going&) = delete;
    run_going& operator=(const run_going&) = delete;

private:
    debugger_view& view_;
};

}  // namespace

debugger_controller::debugger_controller(debugger_view& view, std::u16string plugin_folder,
                                         controller_options options)
    : view_(view), plugin_folder_(std::move(plugin_folder)), options_(std::move(options)) {
    if (!options_.runner.cancel) options_.runner.cancel = std::make_shared<cancel_token>();
}

void debugger_controller::OnRefresh() {
    try {
        set_stage(true, 0);
        view_.clear_boxes();
        plugins_ = scan_plugin_folder(plugin_folder_);
        show_plugins(plugins_);
        if (plugins_.empty()) view_.show_message(no_plugin_found_message(plugin_folder_));
    } catch (...) {
        view_.show_message(texts::unexpected_error);
    }
}

void debugger_controller::show_plugins(std::vector<plugin_entry> plugins) {
    plugins_ = std::move(plugins);
    std::vector<std::u16string> names;
    for (const plugin_entry& plugin : plugins_) names.push_back(plugin.file_name);
    view_.show_plugin_list(names);
    view_.enable_run(!plugins_.empty());
}

run_result debugger_controller::OnRun(const run_request& request, bool keep_instance) {
    return guarded(request.text, [&] { return run(request, keep_instance); });
}

run_result debugger_controller::OnProcess(const plugin_entry& plugin,
                                          const script_language& language,
                                          const std::u16string& text) {
    return guarded(text, [&] {
        const run_going going(view_);
        interpreter_ = language.interpreter;
        syntax_check_ms_ = -1;
        const instance_handle instance = boost::make_shared<vuro_plugin_instance_script>(
            plugin.folder, plugin.file_name, language.interpreter, language.extension,
            language.display_name, language.stored_bridge, options_.runner);
        return process(instance, text, 0, false);
    });
}

template <typename Run>
run_result debugger_controller::guarded(const std::u16string& text, const Run& run) {
    try {
        if (text.empty()) {
            view_.show_message(texts::empty_lookup_text);
            return {};
        }
        // The request holds no more; nothing is ever cut or written past it.
        if (text.size() > lookup_text_capacity) {
            view_.show_message(texts::lookup_text_too_long);
            return {};
        }
        return run();
    } catch (const std::exception& error) {
        report_failure(error);
        return run_result::ended(run_result::outcome::failed, error.what());
    } catch (...) {
        const std::runtime_error unknown("unknown exception");
        report_failure(unknown);
        return run_result::ended(run_result::outcome::failed, unknown.what());
    }
}

run_result debugger_controller::run(const run_request& request, bool keep_instance) {
    const run_going going(view_);
    view_.clear_boxes();
    view_.repaint();
    set_stage(false, 0);

    if (request.selection < 0 || static_cast<std::size_t>(request.selection) >= plugins_.size())
        throw std::out_of_range("no plug-in is selected");
    const plugin_entry plugin = plugins_[static_cast<std::size_t>(request.selection)];
    const instance_handle instance = CreateScriptInstance(plugin.folder, plugin.file_name);
    if (cancellation()->cancelled()) return stopped();
    set_stage(false, 30);
    if (!instance) {
        set_stage(true, 0);
        return run_result::ended(run_result::outcome::no_language);
    }
    return process(instance, request.text, request.window, keep_instance);
}

run_result debugger_controller::process(const instance_handle& instance, const std::u16string& text,
                                        std::int64_t window, bool keep_instance) {
    set_stage(false, 60);
    instance->prepare_processing();
    const message_handle message = instance->create_plugin_message(window, 0);
    bool too_large = false;
    {
        vuro_plugin_message_quit_flag quit_flag;
        processing_request processing{};
        // One read of the settings both fills the request and says why it used defaults.
        const utility::direct_settings_read settings = utility::read_direct_settings();
        fill_processing_request(processing, text, settings.settings);
        try {
            instance->run_processing(message, processing, quit_flag);
        } catch (const xml_access_library::document_too_large&) {
            // The plug-in printed more than a candidate document may hold: what it printed
            // is shown all the same, and the run ends as one without candidates.
            too_large = true;
        }
        auto& script = dynamic_cast<vuro_plugin_instance_script&>(*instance);
        append_call(script.last_call(), script_call::processing, interpreter_);
        if (too_large) append_notice(output_box::standard_error, texts::output_too_large);
        const std::u16string settings_problem = settings_notice(settings.fault);
        // Otherwise a broken settings file would silently run without the user's proxy.
        if (!settings_problem.empty()) append_notice(output_box::standard_error, settings_problem);
        if (script.last_call().result == command_result::cancelled) return stopped();
    }
    set_stage(false, 90);
    instance->complete_processing();
    set_stage(true, 100);
    return completed(instance, message, too_large, keep_instance);
}

run_result debugger_controller::completed(const instance_handle& instance,
                                          const message_handle& message, bool too_large,
                                          bool keep_instance) {
    const auto& script = dynamic_cast<const vuro_plugin_instance_script&>(*instance);
    run_result result = run_result::ended(run_result::outcome::completed);
    result.timings = {syntax_check_ms_, script.last_call().elapsed_ms};
    result.candidates.items =
        read_viewer_document(instance->get_plugin_receive_data(message, 0, 0).xml);
    if (result.candidates.items.empty())
        result.candidates.why_none =
            too_large ? texts::output_too_large : why_no_candidates(script.last_call().output);
    if (keep_instance) {
        result.instance = instance;
        result.message = message;
    }
    return result;
}

// What was captured is shown already; the notice says why it ends there.
run_result debugger_controller::stopped() {
    append_notice(output_box::standard_error, texts::run_stopped);
    set_stage(true, 0);
    return run_result::ended(run_result::outcome::stopped);
}

// The user can try again at once: buttons back, bar back to 0.
void debugger_controller::report_failure(const std::exception& error) {
    view_.show_message(unexpected_error_message(error));
    set_stage(true, 0);
}

instance_handle debugger_controller::CreateScriptInstance(const std::u16string& folder,
                                                          const std::u16string& file_name) {
    for (const script_language& language : script_languages()) {
        auto instance = boost::make_shared<vuro_plugin_instance_script>(
            folder, file_name, language.interpreter, language.extension, language.display_name,
            language.stored_bridge, options_.runner);
        if (!instance->is_usable()) continue;
        const bool passed = instance->check_syntax();
        append_call(instance->last_call(), script_call::syntax_check, language.interpreter);
        if (passed) {
            interpreter_ = language.interpreter;
            syntax_check_ms_ = instance->last_call().elapsed_ms;
            return instance;
        }
        if (instance->last_call().result == command_result::cancelled) break;
    }
    return {};
}

// Both outputs of a call, as captured (cut at the capture limit: a notice says so), then
// why the call ended early, if it did.
void debugger_controller::append_call(const call_record& call, script_call which,
                                      const std::u16string& interpreter) {
    AppendStandardOutput(call.output);
    if (call.cut.output) append_cut_notice(output_box::standard_output);
    AppendStandardError(call.error);
    if (call.cut.error) append_cut_notice(output_box::standard_error);
    switch (call.result) {
        case command_result::timed_out:
            append_notice(output_box::standard_error,
                          time_limit_notice(which, options_.runner.limit_ms));
            break;
        case command_result::start_failure:
            // Not when the file to run was missing: the interpreter is not to blame then.
            if (!interpreter.empty() && !call.bridge_file_failure && !call.script_missing)
                append_notice(output_box::standard_error,
                              interpreter_not_started_notice(interpreter));
            break;
        default: break;
    }
}

void debugger_controller::AppendStandardOutput(const std::string& bytes) {
    append(output_box::standard_output, bytes);
}

void debugger_controller::AppendStandardError(const std::string& bytes) {
    append(output_box::standard_error, bytes);
}

// An output may be tens of megabytes: its box text is made once, here, on the
// controller's thread.
void debugger_controller::append(output_box box, const std::string& bytes) {
    if (bytes.empty()) return;
    box_piece piece{box_piece::kind::output, bytes, {}, nullptr};
    if (view_.wants_box_text())
        piece.shown = std::make_shared<const std::u16string>(box_text_of_output(bytes));
    view_.append_to_box(box, piece);
}

void debugger_controller::append_cut_notice(output_box box) {
    const std::u16string notice = capture_cut_notice();
    view_.append_to_box(box, {box_piece::kind::cut_notice,
                              {},
                              notice,
                              std::make_shared<const std::u16string>(box_text_of_notice(notice))});
}

void debugger_controller::append_notice(output_box box, const std::u16string& notice) {
    view_.append_to_box(box, {box_piece::kind::notice,
                              {},
                              notice,
                              std::make_shared<const std::u16string>(box_text_of_notice(notice))});
}

void debugger_controller::set_buttons(bool enabled) {
    view_.enable_refresh(enabled);
    view_.enable_run(enabled);
}

void debugger_controller::set_stage(bool buttons, int percent) {
    set_buttons(buttons);
    view_.set_progress(percent);
}

}  // namespace vuro_plugin
