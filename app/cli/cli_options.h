#pragma once
// The command line of plugdebug-cli.
#include <optional>
#include <string>
#include <vector>

namespace vuro_plugin::cli {

struct cli_options {
    bool help = false;
    bool version = false;
    bool list = false;
    bool viewer_xml = false;
    bool preference = false;
    bool watch = false;  // run again after every save in the plug-in's folder
    std::optional<std::string> callback_candidate;
    bool timings = false;                   // the calls' wall times on standard error
    std::optional<std::string> check_file;  // --check CASES.json
    std::optional<std::string> junit_file;  // with --check
    unsigned jobs = 1;                      // with --check: cases run at once
    std::string plugin;                     // a name in the plug-in folder or a path
    std::string text;                       // the text to look up, UTF-8
};

struct parse_result {
    cli_options options;
    std::string error;  // empty when the command line is usable
};

// Options may stand anywhere before "--"; everything after it is an operand. Apart from
// --help, --version, --list and --check, exactly two operands are required: PLUGIN and TEXT.
parse_result parse_command_line(const std::vector<std::string>& arguments);

// The --help text.
std::string usage_text();

}  // namespace vuro_plugin::cli
