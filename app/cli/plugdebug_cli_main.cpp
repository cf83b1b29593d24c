#include <iostream>
#include <string>
#include <vector>

#include "app/cli/cli_command.h"
#include "platform/console.h"

int main(int argc, char** argv) {
    platform::use_utf8_standard_streams();
    const std::vector<std::string> arguments = platform::command_line_arguments(argc, argv);
    const int code = vuro_plugin::cli::run_command_line(arguments, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
