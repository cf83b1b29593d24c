#include "platform/child_termination.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <signal.h>
#include <unistd.h>

namespace platform {
namespace {

struct process_status {
    pid_t parent = 0;
    pid_t group = 0;
};

// Reads "pid (name) state ppid pgrp ..." from /proc/<pid>/stat; the name may hold
// blanks and parentheses, so the fields are counted from its last ")".
bool read_status(const std::filesystem::path& stat_file, process_status& status) {
    std::ifstream stream(stat_file);
    std::string line;
    if (!std::getline(stream, line)) return false;
    const auto close = line.rfind(')');
    if (close == std::string::npos) return false;
    char state = 0;
    long parent = 0;
    long group = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %ld %ld", &state, &parent, &group) != 3)
        return false;
    status.parent = static_cast<pid_t>(parent);
    status.group = static_cast<pid_t>(group);
    return true;
}

}  // namespace

void kill_child_processes() {
    const pid_t self = ::getpid();
    const pid_t own_group = ::getpgrp();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        process_status status;
        if (!read_status(entry.path() / "stat", status) || status.parent != self) continue;
        // An unreaped child keeps its process id, so the id still names this child.
        const pid_t child = static_cast<pid_t>(std::atol(name.c_str()));
        if (status.group == child && status.group != own_group) {
            ::kill(-child, SIGKILL);
        } else {
            ::kill(child, SIGKILL);
        }
    }
}

}  // namespace platform
