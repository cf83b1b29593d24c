#include "app/debugger_controller.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>

#include <boost/make_shared.hpp>

#include "app/debugger_texts.h"
#include "app/failure_message.h"
#include "app/request_fill.h"
#include "engine/run_script.h"
#include "engine/script_language.h"
#include "engine/vuro_plugin_instance_script.h"
#include "plugin_message/vuro_plugin_message_quit_flag.h"
#include "utility/direct_settings.h"
#include "utility/text_conversion.h"

namespace vuro_plugin {

debugger_controller::debugger_controller(debugger_view& view, std::u16string plugin_folder,
                                         controller_options options)
    : view_(view), plugin_folder_(std::move(plugin_folder)), options_(std::move(options)) {}

void debugger_controller::OnRefresh() {
    try {
        set_buttons(true);
        view_.set_progress(0);
        view_.set_output_text(output_box::standard_output, {});
        view_.set_output_text(output_box::standard_error, {});
        view_.clear_plugin_items();
        plugins_ = scan_plugin_folder(plugin_folder_);
        if (plugins_.empty()) {
            view_.enable_run(false);
            view_.show_message(no_plugin_found_message(plugin_folder_));
            return;
        }
        fill_plugin_list();
    } catch (...) {
        view_.show_message(texts::unexpected_error);
    }
}

void debugger_controller::show_plugins(std::vector<plugin_entry> plugins) {
    plugins_ = std::move(plugins);
    view_.clear_plugin_items();
    view_.enable_run(!plugins_.empty());
    if (!plugins_.empty()) fill_plugin_list();
}

// Lists every plug-in, selects the first and makes the drop-down wide enough for every
// name, never narrower than before.
void debugger_controller::fill_plugin_list() {
    for (const plugin_entry& plugin : plugins_) view_.add_plugin_item(plugin.file_name);
    view_.select_plugin_item(0);
    int widest = 0;
    for (const plugin_entry& plugin : plugins_)
        widest = std::max(widest, view_.plugin_item_width(plugin.file_name));
    const int needed = widest + view_.drop_down_frame_width();
    if (view_.drop_down_width() < needed) view_.set_drop_down_width(needed);
}

run_result debugger_controller::OnRun(bool keep_instance) {
    try {
        const std::u16string text = view_.lookup_text();
        if (text.empty()) {
            view_.show_message(texts::empty_lookup_text);
            return {};
        }
        // The request holds no more; nothing is ever cut or written past it.
        if (text.size() > lookup_text_capacity) {
            view_.show_message(texts::lookup_text_too_long);
            return {};
        }
        return run(text, keep_instance);
    } catch (const std::exception& error) {
        report_failure(error);
        return {run_result::outcome::failed, error.what(), {}, {}};
    } catch (...) {
        const std::runtime_error unknown("unknown exception");
        report_failure(unknown);
        return {run_result::outcome::failed, unknown.what(), {}, {}};
    }
}

run_result debugger_controller::run(const std::u16string& text, bool keep_instance) {
    view_.set_output_text(output_box::standard_output, {});
    view_.set_output_text(output_box::standard_error, {});
    view_.repaint();
    set_buttons(false);
    view_.set_progress(0);

    const int selected = view_.selected_plugin_item();
    if (selected < 0 || static_cast<std::size_t>(selected) >= plugins_.size())
        throw std::out_of_range("no plug-in is selected");
    const plugin_entry plugin = plugins_[static_cast<std::size_t>(selected)];
    const instance_handle instance = CreateScriptInstance(plugin.folder, plugin.file_name);
    set_buttons(false);
    view_.set_progress(30);
    if (!instance) {
        set_buttons(true);
        view_.set_progress(0);
        return {run_result::outcome::no_language, {}, {}, {}};
    }

    set_buttons(false);
    view_.set_progress(60);
    instance->prepare_processing();
    const message_handle message = instance->create_plugin_message(view_.window_handle(), 0);
    {
        vuro_plugin_message_quit_flag quit_flag;
        processing_request request{};
        fill_processing_request(request, text, utility::direct_settings());
        const std::string settings_problem = utility::direct_settings_problem();
        instance->run_processing(message, request, quit_flag);
        if (auto* script = dynamic_cast<vuro_plugin_instance_script*>(instance.get()))
            append_outputs(*script);
        // Otherwise a broken settings file would silently run without the user's proxy.
        if (!settings_problem.empty())
            append_notice(output_box::standard_error,
                          texts::settings_not_read + utility::utf8_to_utf16(settings_problem));
    }
    set_buttons(false);
    view_.set_progress(90);
    instance->complete_processing();
    set_buttons(true);
    view_.set_progress(100);
    run_result result{run_result::outcome::completed, {}, {}, {}};
    if (keep_instance) {
        result.instance = instance;
        result.message = message;
    }
    return result;
}

// The user can try again at once: buttons back, bar back to 0.
void debugger_controller::report_failure(const std::exception& error) {
    view_.show_message(unexpected_error_message(error));
    set_buttons(true);
    view_.set_progress(0);
}

instance_handle debugger_controller::CreateScriptInstance(const std::u16string& folder,
                                                         const std::u16string& file_name) {
    for (const script_language& language : script_languages()) {
        auto instance = boost::make_shared<vuro_plugin_instance_script>(
            folder, file_name, language.interpreter, language.extension, language.display_name,
            language.stored_bridge, options_.runner);
        if (!instance->is_usable()) continue;
        const bool passed = instance->check_syntax();
        append_outputs(*instance);
        if (passed) return instance;
    }
    return {};
}

void debugger_controller::AppendStandardOutput(const std::string& bytes) {
    append(output_box::standard_output, bytes, false);
}

void debugger_controller::AppendStandardError(const std::string& bytes) {
    append(output_box::standard_error, bytes, false);
}

// The box shows the output up to its first zero byte, as the conversion reads it. An
// output may be tens of megabytes: the new text is built with one copy of each part.
void debugger_controller::append(output_box box, const std::string& bytes, bool cut) {
    if (bytes.empty() && !cut) return;
    const std::u16string added = bytes.empty() ? u"" : utility::utf8_to_utf16(bytes) + u"\r\n";
    const std::u16string notice = cut ? capture_cut_notice() + u"\r\n" : u"";
    std::u16string text = view_.output_text(box);
    text.reserve(text.size() + added.size() + notice.size());
    text += added;
    text += notice;
    view_.set_output_text(box, std::move(text));
    if (!bytes.empty())
        view_.output_appended(box, std::string_view(bytes).substr(0, bytes.find('\0')));
    if (cut) view_.output_cut(box, capture_cut_notice());
}

// Both stored outputs, each followed by a notice when the capture cut it short.
void debugger_controller::append_outputs(const vuro_plugin_instance_script& instance) {
    append(output_box::standard_output, instance.get_standard_output(),
           instance.standard_output_cut());
    append(output_box::standard_error, instance.get_standard_error(),
           instance.standard_error_cut());
}

void debugger_controller::append_notice(output_box box, const std::u16string& notice) {
    view_.set_output_text(box, view_.output_text(box) + notice + u"\r\n");
    view_.output_notice(box, notice);
}

void debugger_controller::set_buttons(bool enabled) {
    view_.enable_refresh(enabled);
    view_.enable_run(enabled);
}

}  // namespace vuro_plugin
