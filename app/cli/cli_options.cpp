#include "app/cli/cli_options.h"

namespace vuro_plugin::cli {
namespace {

constexpr char callback_option[] = "--callback";

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
           "  --watch                 run once, then again after every save of a .rb, .pl,\n"
           "                          .py or .xml file in the plug-in's folder (a save\n"
           "                          during a run stops it); a line with the time on\n"
           "                          standard error before each run; Ctrl+C ends\n"
           "  --help                  print this text\n"
           "  --version               print the version\n"
           "  --                      end of options (for a TEXT that begins with \"-\")\n"
           "\n"
           "Exit codes: 0 the run happened; 1 no language accepted the script; 2 bad usage\n"
           "or input; 3 an unexpected error, or output that could not be written; 129, 130,\n"
           "143 stopped by SIGHUP, SIGINT (Ctrl+C), SIGTERM: the plug-in's interpreter and\n"
           "what it started are ended first.\n";
}

}  // namespace vuro_plugin::cli
