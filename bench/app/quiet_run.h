#pragma once
// Runs a program to its end with its standard output (and, when asked, its standard error)
// into /dev/null, as the CLI benches start plugdebug-cli.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

// The wait status, or -1 when the program could not be started; `usage` gets its
// resource use when given.
inline int run_quietly(std::vector<std::string> arguments, bool quiet_error,
                       rusage* usage = nullptr) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (quiet_error) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    int status = -1;
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
        wait4(pid, &status, 0, usage) != pid)
        status = -1;
    posix_spawn_file_actions_destroy(&actions);
    return status;
}
