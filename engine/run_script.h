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
// nothing. The bridge file is deleted on every path. Errors converting the plug-in path
// pass to the caller.
std::string run_script(const std::u16string& method, const std::vector<std::u16string>& arguments,
                       script_instance_data& data, bool limit_time,
                       const runner_settings& settings = {});

// Runs the bridge's "syntax_check" under the time limit. Passes when the output begins
// with "syntax ok" in any case. A failure with no earlier message sets one and makes
// the plug-in unusable; an earlier message (a start failure, say) is kept, and so is
// `usable`.
bool check_syntax(script_instance_data& data, const runner_settings& settings = {});

// The line to show after a stored output whose capture was cut.
std::u16string capture_cut_notice();

}  // namespace vuro_plugin
