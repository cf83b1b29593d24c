#pragma once
// The debugger's two commands, Refresh and Run, step by step against a view. The
// controller decides every state the window shows; it blocks for as long as the
// plug-in's interpreter runs.
#include <cstddef>
#include <exception>
#include <string>
#include <vector>

#include "app/debugger_view.h"
#include "app/plugin_discovery.h"
#include "engine/abstract_vuro_plugin_instance.h"
#include "engine/execute_command.h"

namespace vuro_plugin {

class vuro_plugin_instance_script;

// The longest text the Run command looks up: the capacity of the request's field.
inline constexpr std::size_t lookup_text_capacity = 200;

struct controller_options {
    runner_settings runner;  // the production time limit unless a test shortens it
};

// What one Run came to.
struct run_result {
    enum class outcome {
        not_started,  // no text, or a text too long; a message said so
        no_language,  // no language accepted the script
        completed,    // the processing call was made
        failed,       // an error stopped the run; a message said so
    };
    outcome result = outcome::not_started;
    std::string error;  // failed: the error's own text
    // Kept only when asked for: the instance and the message of the processing call.
    instance_handle instance;
    message_handle message;
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
    // view's text and the proxy settings; both outputs go to the view.
    run_result OnRun(bool keep_instance = false);

    // Tries each language on the script and returns the instance whose syntax check
    // passed, or an empty pointer; the checks' outputs go to the view.
    instance_handle CreateScriptInstance(const std::u16string& folder,
                                         const std::u16string& file_name);

    // Appends output bytes (UTF-8, as the interpreter wrote them) and a line break to a
    // box; empty output changes nothing.
    void AppendStandardOutput(const std::string& bytes);
    void AppendStandardError(const std::string& bytes);

private:
    void append(output_box box, const std::string& bytes, bool cut);
    void append_outputs(const vuro_plugin_instance_script& instance);
    void append_notice(output_box box, const std::u16string& notice);
    void set_buttons(bool enabled);
    void fill_plugin_list();
    run_result run(const std::u16string& text, bool keep_instance);
    void report_failure(const std::exception& error);

    debugger_view& view_;
    std::u16string plugin_folder_;
    controller_options options_;
    std::vector<plugin_entry> plugins_;
};

}  // namespace vuro_plugin
