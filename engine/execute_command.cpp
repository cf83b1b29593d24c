#include "engine/execute_command.h"

#include "platform/child_process.h"
#include "utility/text_conversion.h"

namespace vuro_plugin {
namespace {

using platform::child_process;

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

// Waits until the child ends, the limit passes or the token is raised; the child is
// still running unless the result is `completed`.
command_result wait_for_end(child_process& child, std::string& out, std::string& err,
                            const timeout_timer* timer, const platform::wake_up* wake) {
    for (;;) {
        if (timer != nullptr && timer->is_timeout()) return command_result::timed_out;
        const int wait_ms = timer != nullptr ? timer->remaining_ms() : -1;
        switch (child.wait(out, err, wait_ms, wake)) {
            case child_process::wait_result::running: break;
            case child_process::wait_result::ended: return command_result::completed;
            case child_process::wait_result::woken: return command_result::cancelled;
            case child_process::wait_result::failure: return command_result::pipe_failure;
        }
    }
}

}  // namespace

command_result execute_command(const std::vector<std::u16string>& command_line,
                               const std::u16string& working_folder, std::string& out,
                               std::string& err, bool limit_time, const runner_settings& settings,
                               capture_cut* cut) {
    out.clear();
    err.clear();
    if (cut != nullptr) *cut = {};
    const platform::wake_up* wake = settings.cancel ? &settings.cancel->wake_up() : nullptr;
    if (wake != nullptr && wake->raised()) return command_result::cancelled;
    if (command_line.empty()) return command_result::start_failure;
    const std::vector<std::string> arguments = native_arguments(command_line);
    const std::string folder = utility::utf16_to_utf8(working_folder);

    // The child is killed and reaped when it goes out of scope, also when the timer
    // throws.
    child_process child;
    const timeout_timer timer(settings.limit_ms, settings.clock);
    switch (child.start(arguments, folder)) {
        case child_process::start_result::started: break;
        case child_process::start_result::pipe_failure: return command_result::pipe_failure;
        case child_process::start_result::start_failure: return command_result::start_failure;
    }

    command_result result = wait_for_end(child, out, err, limit_time ? &timer : nullptr, wake);
    // The end was seen, but the limit is tested afresh: a child that ended just as the
    // limit passed counts as timed out.
    if (result == command_result::completed && limit_time && timer.is_timeout())
        result = command_result::timed_out;
    if (result == command_result::pipe_failure) return result;
    if (result != command_result::completed) child.kill_group(out, err);
    if (cut != nullptr) *cut = {child.output_cut(), child.error_cut()};
    end_with_zero(out);
    end_with_zero(err);
    return result;
}

const char* to_string(command_result result) {
    switch (result) {
        case command_result::completed: return "completed";
        case command_result::pipe_failure: return "pipe failure";
        case command_result::timed_out: return "timed out";
        case command_result::start_failure: return "start failure";
        case command_result::cancelled: return "cancelled";
    }
    return "unknown";
}

}  // namespace vuro_plugin
