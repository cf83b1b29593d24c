#pragma once
// plugdebug-cli --check: a plug-in's regression cases. One syntax check, then each case
// as a processing call on an instance of its own, `jobs` at a time; one line per case in
// the file's order ("ok 1 TEXT", "FAIL 2 TEXT: what differed"), then "N passed, N
// failed". Optionally a JUnit report.
#include <ostream>
#include <string>

#include "app/cli/check_cases.h"
#include "app/viewer_candidates.h"

namespace vuro_plugin {
struct run_result;
}

namespace vuro_plugin::cli {

struct check_settings {
    std::string cases_file;  // UTF-8 path
    std::string junit_file;  // empty: no report
    unsigned jobs = 1;
    bool timings = false;  // each call's time on standard error
};

// Exit codes: 0 all passed, 4 any failed, 2 an invalid cases file or a plug-in that names
// no file, 1 no language accepted the plug-in, 3 a report that could not be written, and a
// signal's code when one stopped the run (no case is started after it).
int run_check(const check_settings& settings, std::ostream& out, std::ostream& err);

// What one case's processing call did.
struct case_observed {
    const run_result& run;
    const std::string& standard_error;  // what the call wrote there
    const std::string& notices;         // the debugger's own lines about the run, if any
};

// What differs from the case's expectations, in one line; empty when nothing does.
std::string case_differences(const check_case& expected, const case_observed& observed);

}  // namespace vuro_plugin::cli
