#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/timeout_timer.h"

namespace vuro_plugin {

// Result codes of execute_command.
enum : int {
    command_completed = 0,
    command_pipe_failure = 1,
    command_timed_out = 2,
    command_start_failure = 3,
};

// How long a limited run may take, and the clock it is measured on. The default is the
// production setting: 60000 ms on the steady clock.
struct runner_settings {
    std::int32_t limit_ms = script_time_limit_ms;
    timeout_timer::clock_function clock;  // empty: the steady clock
};

// Which captured streams lost bytes: those past the capture limit of each stream, or
// those no memory could be had for.
struct capture_cut {
    bool output = false;
    bool error = false;
};

// Runs `command_line` (the program, looked up on the search path, and its arguments) in
// `working_folder` and collects its standard output and standard error in `out` and
// `err`, each up to the capture limit (the rest is read and dropped, and `cut` tells
// which). Each buffer that received bytes ends with one 0 byte. With `limit_time`, a
// child still running when the limit passes is killed with its process group.
// Returns command_completed when the child ended (whatever its exit code), else one of
// the failure codes. A timer fault (std::runtime_error) leaves after the child has been
// killed and reaped.
int execute_command(const std::vector<std::u16string>& command_line,
                    const std::u16string& working_folder, std::string& out, std::string& err,
                    bool limit_time, const runner_settings& settings = {},
                    capture_cut* cut = nullptr);

}  // namespace vuro_plugin
