#pragma once
// plugdebug-cli: the Run command of the debugger for a terminal and for test scripts.
#include <ostream>
#include <string>
#include <vector>

namespace vuro_plugin::cli {

enum exit_code : int {
    exit_ran = 0,           // the run happened (whatever the plug-in answered)
    exit_no_language = 1,   // no language accepted the script
    exit_usage = 2,         // bad usage or input
    exit_failure = 3,       // an unexpected error, or output that could not be written
    exit_cases_failed = 4,  // --check: a case failed
};

// Runs the command line (without the program name); never throws. Flushes both streams
// before it returns.
int run_command_line(const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err);

}  // namespace vuro_plugin::cli
