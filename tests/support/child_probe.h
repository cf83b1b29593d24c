#pragma once
// Process-level checks for tests that start child processes.
#include <functional>
#include <set>
#include <string>

namespace test_support {

// True while this process has any child, running or not yet reaped.
bool has_child_processes();

// The descriptors open in this process.
std::set<int> open_descriptors();

// True while the process exists and has not ended (a zombie counts as ended).
bool process_running(int pid);

// Waits up to 30 s for the process to end; true when it has.
bool ends_soon(int pid);

// Kills every process of the group; used to clean up deliberate orphans.
void kill_process_group(int group);

// The CPU time (user + system) this process has used, in milliseconds.
double process_cpu_ms();

// Runs `body` in a forked copy of this process, for a test that changes what the whole
// process may do (its user, its limits), and returns what `body` returned (0 to 254),
// 255 when it threw, or -1 when the copy ended otherwise (by a signal).
int run_forked(const std::function<int()>& body);

// The address space this process takes up now, in bytes.
std::size_t address_space_bytes();

// While it lives, a helper thread sends SIGUSR1 to the constructing thread every few
// milliseconds; the handler is installed without SA_RESTART, so blocking calls of that
// thread return EINTR.
class signal_storm {
public:
    signal_storm();
    ~signal_storm();
    signal_storm(const signal_storm&) = delete;
    signal_storm& operator=(const signal_storm&) = delete;
    int delivered() const;

private:
    struct state;
    state* state_;
};

}  // namespace test_support

namespace test_support {

// Opens /dev/null on a descriptor without close-on-exec, as a careless library would;
// returns the descriptor. close_descriptor() closes it again.
int open_inheritable_descriptor();
void close_descriptor(int fd);

}  // namespace test_support
