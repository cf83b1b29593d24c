#include <iostream>
#include <string>
#include <vector>

#include "app/cli/cli_command.h"
#include "platform/console.h"
#include "platform/memory_use.h"

int main(int argc, char** argv) {
    platform::return_large_blocks_when_freed();
    platform::use_utf8_standard_streams();
    const std::vector<std::string> arguments = platform::command_line_arguments(argc, argv);
    return vuro_plugin::cli::run_command_line(arguments, std::cout, std::cerr);
}
