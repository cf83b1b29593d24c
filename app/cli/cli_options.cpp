#include "app/cli/cli_options.h"

namespace vuro_plugin::cli {
namespace {

constexpr char callback_option[] = "--callback";

bool is_check_option(const std::string& argument) {
    return argument == "--check" || argument == "--junit" || argument.rfind("-j", 0) == 0;
}

// --check CASES.json, --junit FILE, -j N (also -jN).
bool take_check_option(const std::vector<std::string>& arguments, std::size_t& i,
                       cli_options& options, std::string& error) {
    const std::string& argument = arguments[i];
    std::string value = argument.size() > 2 && argument[1] == 'j' ? argument.substr(2) : "";
    if (value.empty()) {
        if (i + 1 >= arguments.size()) {
            error = "option " + argument + " needs a value";
            return false;
        }
        value = arguments[++i];
    }
    if (argument == "--check") {
        options.check_file = value;
    } else if (argument == "--junit") {
        options.junit_file = value;
    } else if (value.find_first_not_of("0123456789") != std::string::npos || value.size() > 3 ||
               std::stoi(value) < 1 || std::stoi(value) > 64) {
        error = "-j takes a number of cases to run at once, from 1 to 64";
        return false;
    } else {
        options.jobs = static_cast<unsigned>(std::stoi(value));
    }
    return true;
}

// Takes one option; false with `error` set when it is not one of ours.
bool take_option(const std::vector<std::string>& arguments, std::size_t& i, cli_options& options,
                 std::string& error) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
        options.help = true;
    } else if (argument == "--version") {
        options.version = true;
    } else if (argument == "--list") {
        options.list = true;
    } else if (argument == "--viewer-xml") {
        options.viewer_xml = true;
    } else if (argument == "--preference") {
        options.preference = true;
    } else if (argument == "--timings") {
        options.timings = true;
    } else if (is_check_option(argument)) {
        return take_check_option(arguments, i, options, error);
    } else if (argument == "--watch") {
        options.watch = true;
    } else if (argument == callback_option) {
        if (i + 1 >= arguments.size()) {
            error = "option --callback needs a CANDIDATE";
            return false;
        }
        options.callback_candidate = arguments[++i];
    } else if (argument.rfind(std::string(callback_option) + "=", 0) == 0) {
        options.callback_candidate = argument.substr(sizeof callback_option);
    } else {
        error = "unknown option " + argument;
        return false;
    }
    return true;
}

}  // namespace

parse_result parse_command_line(const std::vector<std::string>& arguments) {
    parse_result result;
    std::vector<std::string> operands;
    bool options_ended = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (options_ended || argument.size() < 2 || argument[0] != '-') {
            operands.push_back(argument);
        } else if (argument == "--") {
            options_ended = true;
        } else if (!take_option(arguments, i, result.options, result.error)) {
            return result;
        }
    }
    cli_options& options = result.options;
    if (options.help || options.version) return result;
    if (!options.check_file && (options.junit_file || options.jobs != 1)) {
        result.error = "--junit and -j go with --check";
        return result;
    }
    if (options.check_file) {
        if (!operands.empty()) result.error = "--check takes no PLUGIN or TEXT";
        if (options.watch) result.error = "--watch does not go with --check";
        return result;
    }
    if (options.list) {
        if (!operands.empty()) result.error = "--list takes no PLUGIN or TEXT";
        if (options.watch) result.error = "--watch needs PLUGIN and TEXT, not --list";
        return result;
    }
    if (operands.size() != 2) {
        result.error = operands.size() < 2 ? "PLUGIN and TEXT are required"
                                           : "too many arguments: " + operands[2];
        return result;
    }
    options.plugin = operands[0];
    options.text = operands[1];
    return result;
}

std::string usage_text() {
    return "Usage: plugdebug-cli [OPTIONS] PLUGIN TEXT\n"
           "       plugdebug-cli --list\n"
           "       plugdebug-cli --check CASES.json [--junit FILE] [-j N]\n"
           "Runs a script plug-in as the debugger's Run button does: one syntax check, then\n"
           "one processing call with TEXT as the composition string. What the interpreter\n"
           "wrote to standard output is printed on standard output, what it wrote to\n"
           "standard error on standard error, each piece followed by a line feed.\n"
           "\n"
           "PLUGIN is a file name in the plug-in folder or the path of a script anywhere.\n"
           "TEXT holds at most 200 UTF-16 units. The plug-in folder is the folder \"plugin\"\n"
           "beside this program; without one, the per-user folder plugdebug/plugin in the\n"
           "application-data folder, which --list makes, with the samples, when it is missing.\n"
           "\n"
           "Options:\n"
           "  --list                  print the plug-in folder's scripts, one a line (the\n"
           "                          folder's path goes to standard error)\n"
           "  --viewer-xml            after the run, print the viewer document of the\n"
           "                          result (plug-in index 0, generation 0)\n"
           "  --callback CANDIDATE    after the run, call run_callback with CANDIDATE as\n"
           "                          the confirmed candidate\n"
           "  --preference            after the run, call run_preference\n"
           "  --timings               after the run, print the times of the syntax check\n"
           "                          and of the processing call on standard error\n"
           "  --check CASES.json      run the plug-in's regression cases (see the README):\n"
           "                          one line per case, then \"N passed, N failed\"\n"
           "  --junit FILE            with --check, also write the results as JUnit XML\n"
           "  -j N                    with --check, run N cases at once (1 to 64)\n"
           "  --watch                 run once, then again after every save of a .rb, .pl,\n"
           "                          .py or .xml file in the plug-in's folder (a save\n"
           "                          during a run stops it); a line with the time on\n"
           "                          standard error before each run; Ctrl+C ends\n"
           "  --help                  print this text\n"
           "  --version               print the version\n"
           "  --                      end of options (for a TEXT that begins with \"-\")\n"
           "\n"
           "Exit codes: 0 the run happened; 1 no language accepted the script; 2 bad usage\n"
           "or input (and an invalid cases file); 3 an unexpected error, or output that could\n"
           "not be written; 4 a case of --check failed; 129, 130,\n"
           "143 stopped by SIGHUP, SIGINT (Ctrl+C), SIGTERM: the plug-in's interpreter and\n"
           "what it started are ended first.\n";
}

}  // namespace vuro_plugin::cli
