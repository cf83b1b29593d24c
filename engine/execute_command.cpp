#include "engine/execute_command.h"

#include "platform/child_process.h"
#include "utility/text_conversion.h"

namespace vuro_plugin {
namespace {

std::vector<std::string> native_arguments(const std::vector<std::u16string>& command_line) {
    std::vector<std::string> arguments;
    arguments.reserve(command_line.size());
    for (const std::u16string& argument : command_line)
        arguments.push_back(utility::utf16_to_utf8(argument));
    return arguments;
}

void end_with_zero(std::string& buffer) {
    if (!buffer.empty()) buffer.push_back('\0');
}

}  // namespace

int execute_command(const std::vector<std::u16string>& command_line,
                    const std::u16string& working_folder, std::string& out, std::string& err,
                    bool limit_time, const runner_settings& settings, capture_cut* cut) {
    out.clear();
    err.clear();
    if (cut != nullptr) *cut = {};
    if (command_line.empty()) return command_start_failure;
    const std::vector<std::string> arguments = native_arguments(command_line);
    const std::string folder = utility::utf16_to_utf8(working_folder);

    // The child is killed and reaped when it goes out of scope, also when the timer
    // throws.
    platform::child_process child;
    const timeout_timer timer(settings.limit_ms, settings.clock);
    switch (child.start(arguments, folder)) {
        case platform::child_process::start_result::started: break;
        case platform::child_process::start_result::pipe_failure: return command_pipe_failure;
        case platform::child_process::start_result::start_failure: return command_start_failure;
    }

    for (;;) {
        if (limit_time && timer.is_timeout()) break;
        const int wait_ms = limit_time ? timer.remaining_ms() : -1;
        const auto result = child.wait(out, err, wait_ms);
        if (result == platform::child_process::wait_result::failure) return command_pipe_failure;
        if (result == platform::child_process::wait_result::ended) break;
    }

    const bool timed_out = limit_time && timer.is_timeout();
    if (timed_out) child.kill_group();
    if (cut != nullptr) *cut = {child.output_cut(), child.error_cut()};
    end_with_zero(out);
    end_with_zero(err);
    return timed_out ? command_timed_out : command_completed;
}

}  // namespace vuro_plugin
