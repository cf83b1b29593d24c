#pragma once
// What one interpreter run of a script instance did, whatever its outcome: the front
// ends show partial output and a notice from it. The instance's stored outputs, which
// hosts read, change only with a completed run; this record changes with every run.
#include <cstdint>
#include <string>

#include "engine/execute_command.h"

namespace vuro_plugin {

struct call_record {
    // "syntax_check", "run_process", "run_callback" or "run_preference"; empty while no
    // call has been made.
    std::u16string method;
    // start_failure also when nothing could be started for want of a file: then one of
    // the two flags below says which, and the interpreter itself is not to blame.
    command_result result = command_result::completed;
    // The bridge file could not be written (its folder unusable, a file of that name
    // with other bytes, no fresh name).
    bool bridge_file_failure = false;
    // The plug-in file was gone.
    bool script_missing = false;
    // Bytes as captured, each cut at its first 0 byte; what the child wrote before it was
    // ended when the call timed out or was cancelled.
    std::string output;
    std::string error;
    capture_cut cut;
    // Wall time of the interpreter run on a monotonic clock.
    std::int64_t elapsed_ms = 0;
};

}  // namespace vuro_plugin
