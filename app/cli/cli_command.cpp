#include "app/cli/cli_command.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "app/cli/check_run.h"
#include "app/cli/cli_options.h"
#include "app/cli/cli_view.h"
#include "app/cli/cli_watch.h"
#include "app/debugger_controller.h"
#include "app/debugger_texts.h"
#include "app/product_info.h"
#include "engine/cancel_token.h"
#include "platform/termination_signals.h"
#include "utility/text_conversion.h"

namespace vuro_plugin::cli {
namespace {

namespace fs = std::filesystem;

constexpr char program[] = "plugdebug-cli: ";

bool is_file(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// A bare name is looked for in the plug-in folder first; anything else is a path.
// Paths are UTF-8 both ways, also where the file system's names are UTF-16.
std::optional<plugin_entry> resolve_plugin(const std::string& name) {
    if (name.empty()) return std::nullopt;
    fs::path path = fs::u8path(name);
    if (!path.has_parent_path()) {
        const fs::path in_folder = fs::u8path(utility::utf16_to_utf8(find_plugin_folder())) / path;
        if (is_file(in_folder)) path = in_folder;
    }
    if (!is_file(path)) return std::nullopt;
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    if (error) return std::nullopt;
    return plugin_entry{utility::utf8_to_utf16(absolute.parent_path().u8string() + "/"),
                        utility::utf8_to_utf16(absolute.filename().u8string())};
}

// The folder in use goes to standard error, so that standard output stays one script a
// line.
int list_plugins(std::ostream& out, std::ostream& err) {
    const std::u16string folder = prepare_plugin_folder();
    err << program << "plug-in folder " << utility::utf16_to_utf8(displayed_folder(folder)) << '\n';
    cli_view view(out, err);
    debugger_controller controller(view, folder);
    controller.OnRefresh();
    for (const std::u16string& item : view.plugin_items())
        out << utility::utf16_to_utf8(item) << '\n';
    return exit_ran;
}

// The commands after the run print what their own call printed, as the run's outputs are
// printed; a command that was stopped ends the program (a signal's code wins).
int after_run(const cli_options& options, const std::u16string& text, const run_result& result,
              debugger_controller& controller, std::ostream& out, std::ostream& err) {
    if (options.viewer_xml)
        out << result.instance->get_plugin_receive_data(result.message, 0, 0).xml;
    if (options.callback_candidate) {
        const command_outcome callback = controller.OnCallback(
            result, utility::utf8_to_utf16(*options.callback_candidate), text);
        if (callback == command_outcome::stopped) return exit_failure;
        if (callback == command_outcome::not_declared)
            err << program << "the plug-in declares no callback; run_callback was not called\n";
    }
    if (options.preference) {
        switch (controller.OnPreference(result)) {
            case command_outcome::not_declared:
                err << program
                    << "the plug-in declares no preference; run_preference was not called\n";
                break;
            case command_outcome::failed:
                err << program << "run_preference failed\n";
                return exit_failure;
            case command_outcome::stopped: return exit_failure;
            default: break;
        }
    }
    return exit_ran;
}

int run_and_follow(const cli_options& options, const plugin_entry& plugin,
                   const std::u16string& text, const controller_options& settings,
                   std::ostream& out, std::ostream& err);

int run_plugin(const cli_options& options, std::ostream& out, std::ostream& err) {
    const std::optional<plugin_entry> plugin = resolve_plugin(options.plugin);
    if (!plugin) {
        err << program << "no such plug-in file: " << options.plugin << '\n';
        return exit_usage;
    }
    const std::u16string text = utility::utf8_to_utf16(options.text);
    if (options.callback_candidate &&
        utility::utf8_to_utf16(*options.callback_candidate).size() > lookup_text_capacity) {
        err << program << "CANDIDATE holds at most " << lookup_text_capacity << " UTF-16 units\n";
        return exit_usage;
    }
    controller_options settings;
    settings.runner.cancel = std::make_shared<cancel_token>();
    if (options.watch) {
        return watch_plugin(
            *plugin, settings.runner.cancel,
            [&] { return run_and_follow(options, *plugin, text, settings, out, err); }, err);
    }
    // A signal stops the call under way (and every later one) through the token; the
    // program ends with the signal's code once the engine has ended the child's tree.
    const platform::termination_signals signals(
        [cancel = settings.runner.cancel](int) { cancel->cancel(); });
    const int code = run_and_follow(options, *plugin, text, settings, out, err);
    return signals.received() != 0 ? signals.received() : code;
}

int run_and_follow(const cli_options& options, const plugin_entry& plugin,
                   const std::u16string& text, const controller_options& settings,
                   std::ostream& out, std::ostream& err) {
    cli_view view(out, err);
    debugger_controller controller(view, find_plugin_folder(), settings);
    controller.show_plugins({plugin});
    const run_result result = controller.OnRun({text, 0}, true);
    switch (result.result) {
        case run_result::outcome::not_started: return exit_usage;
        case run_result::outcome::no_language:
            err << program << "no language accepted " << options.plugin
                << " (is its interpreter on the PATH? does its syntax check pass?)\n";
            return exit_no_language;
        case run_result::outcome::failed:
            err << program << result.error << '\n';
            return exit_failure;
        case run_result::outcome::stopped:
            return exit_failure;  // only a signal stops a run here: its code wins
        case run_result::outcome::completed: break;
    }
    const int code = after_run(options, text, result, controller, out, err);
    if (options.timings)
        err << program << "syntax check " << seconds_text(result.timings.syntax_check_ms)
            << ", processing " << seconds_text(result.timings.processing_ms) << '\n';
    return code;
}

// A failed write is never success: the reader got less than the exit code would claim.
int with_writes_checked(int code, std::ostream& out, std::ostream& err) {
    out.flush();
    err.flush();
    if (out && err) return code;
    if (!out) err << program << "standard output could not be written\n" << std::flush;
    return code == exit_ran || code == exit_no_language || code == exit_usage ? exit_failure : code;
}

int run_checked(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    try {
        const parse_result parsed = parse_command_line(arguments);
        if (!parsed.error.empty()) {
            err << program << parsed.error << "\nTry 'plugdebug-cli --help'.\n";
            return exit_usage;
        }
        const cli_options& options = parsed.options;
        if (options.help) {
            out << usage_text() << "\nPlug-in folder: "
                << utility::utf16_to_utf8(displayed_folder(find_plugin_folder())) << '\n';
            return exit_ran;
        }
        if (options.version) {
            out << "plugdebug-cli " << product::version << '\n' << product::description << '\n';
            return exit_ran;
        }
        if (options.check_file)
            return run_check({*options.check_file, options.junit_file.value_or(""), options.jobs,
                              options.timings},
                             out, err);
        return options.list ? list_plugins(out, err) : run_plugin(options, out, err);
    } catch (const std::exception& error) {
        err << terminal_text(texts::unexpected_error) << '\n' << program << error.what() << '\n';
    } catch (...) {
        err << terminal_text(texts::unexpected_error) << '\n';
    }
    return exit_failure;
}

}  // namespace

int run_command_line(const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err) {
    return with_writes_checked(run_checked(arguments, out, err), out, err);
}

}  // namespace vuro_plugin::cli
