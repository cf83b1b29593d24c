#pragma once
// One call into a script plug-in: write the bridge, run the interpreter on it, keep
// what it printed.
#include <string>
#include <vector>

#include "engine/execute_command.h"
#include "engine/script_instance_data.h"

namespace vuro_plugin {

// Runs the bridge of `data` with `method` (omitted when empty) and `arguments` (already
// encoded for the bridge) after the encoded plug-in path. Returns the standard output
// of a completed run, up to its first 0 byte, and stores both outputs in `data`, each
// cut at the capture limit (`standard_output_cut` and `standard_error_cut` tell); any
// other outcome returns an empty string and keeps the stored outputs. A start failure
// and a bridge-file failure replace `data.message`; running out of memory changes
// nothing stored. The bridge file is deleted on every path. `data.last_call` records
// every call, partial outputs of a time-out or cancel included. Errors converting the
// plug-in path and the timer's clock_fault pass to the caller (the child ended and
// reaped, the bridge file deleted).
std::string run_script(const std::u16string& method, const std::vector<std::u16string>& arguments,
                       script_instance_data& data, bool limit_time,
                       const runner_settings& settings = {});

// The same without handing a copy of the output back: true when the run completed, and
// its output is then `data.standard_output`.
bool run_script_call(const std::u16string& method, const std::vector<std::u16string>& arguments,
                     script_instance_data& data, bool limit_time,
                     const runner_settings& settings = {});

// The one place where captured bytes end: at the first 0 byte, else unchanged.
std::string up_to_first_zero(std::string buffer);

// Runs the bridge's "syntax_check" under the time limit. Passes when the output begins
// with "syntax ok" in any case. A failure with no earlier message sets one and makes
// the plug-in unusable; an earlier message (a start failure, say) is kept, and so is
// `usable`. A cancelled check fails without a message and keeps `usable`.
bool check_syntax(script_instance_data& data, const runner_settings& settings = {});

// The line to show after a stored output whose capture was cut.
std::u16string capture_cut_notice();

}  // namespace vuro_plugin
