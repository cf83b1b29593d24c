#include <iostream>
#include <string>
#include <vector>

#include "app/cli/cli_command.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int code = vuro_plugin::cli::run_command_line(arguments, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
