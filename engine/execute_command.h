#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/cancel_token.h"
#include "engine/timeout_timer.h"

namespace vuro_plugin {

// How an interpreter run ended.
enum class command_result {
    completed,      // the child ended by itself, whatever its exit code
    pipe_failure,   // the pipes could not be made or waited on
    timed_out,      // the time limit passed; the child's process tree was ended
    start_failure,  // the program could not be started (not found, not executable)
    cancelled,      // the cancel token was raised; the child's process tree was ended
};

// How long a limited run may take, the clock it is measured on, and how it is stopped
// from outside. The default is the production setting: 60000 ms on the steady clock and
// no way to cancel.
struct runner_settings {
    std::int32_t limit_ms = script_time_limit_ms;
    timeout_timer::clock_function clock;   // empty: the steady clock
    std::shared_ptr<cancel_token> cancel;  // empty: the run cannot be cancelled
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
// child still running when the limit passes is killed with its process group; so is a
// child whose cancel token is raised (with or without `limit_time`). A token raised
// before the call starts nothing. After a time-out or a cancel, `out` and `err` hold
// what the child wrote before it was ended.
// A timer fault (clock_fault) leaves after the child has been killed and reaped.
command_result execute_command(const std::vector<std::u16string>& command_line,
                               const std::u16string& working_folder, std::string& out,
                               std::string& err, bool limit_time,
                               const runner_settings& settings = {}, capture_cut* cut = nullptr);

// The name of a result, for logs and test messages.
const char* to_string(command_result result);

}  // namespace vuro_plugin
