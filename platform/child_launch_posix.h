#pragma once
// How child_process starts a program on POSIX: fork and exec, so that the child can ask
// to be killed when this process dies (Linux's parent-death signal), which no spawn
// attribute offers. Between fork and exec the child makes async-signal-safe calls only.
#include <string>
#include <vector>

#include <sys/types.h>

namespace platform {

// Starts `arguments[0]` (looked up on the search path when it holds no "/") with
// `arguments` in `working_folder` (empty: this process's), in a session and process
// group of its own, standard input from /dev/null, standard output and error on `out`
// and `err`, no other descriptor, every signal at its default and none blocked. On
// Linux the child is killed (SIGKILL) when the thread that started it ends, so the
// starting thread must outlive the child; a process killed outright takes its child
// with it. Returns the child's id, or -1 when it could not be started (no program, not
// executable, no such folder); a child that failed before its exec has been reaped.
pid_t launch_child(const std::vector<std::string>& arguments, const std::string& working_folder,
                   int out, int err);

}  // namespace platform
