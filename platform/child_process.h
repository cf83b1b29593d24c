#pragma once
// A child process whose standard output and standard error arrive on two pipes.
// The child runs in a session and process group of its own (no controlling terminal),
// reads end-of-file on standard input, and inherits no descriptor of the parent beyond
// its two output pipes. Waiting blocks in the kernel: no time is spent spinning while
// the child runs. A child still running when this process is killed outright ends with
// it (Linux: a parent-death signal, which fires when the starting thread ends, so a
// child is started, waited for and ended on one thread; Windows: a job that ends with
// its last handle); the processes the child started itself are beyond that reach.
#include <cstddef>
#include <string>
#include <vector>

namespace platform {

class wake_up;

class child_process {
public:
    enum class start_result {
        started,
        pipe_failure,   // the pipes could not be made; nothing was started
        start_failure,  // program not found or not executable, working folder unusable
    };

    enum class wait_result {
        running,  // the time given passed, or some output arrived; the child still runs
        ended,    // the child ended; whatever it wrote before has been read
        failure,  // waiting itself failed; the child is still there
        woken,    // the wake-up given to wait() is raised; the child still runs
    };

    // Each stream keeps at most this many bytes; later bytes are read and dropped, so a
    // child printing without end never blocks and never exhausts the parent's memory.
    static constexpr std::size_t capture_limit = std::size_t{64} << 20;

    child_process();
    // A child still running is killed with its whole process group and reaped.
    ~child_process();
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    // `arguments[0]` names the program, looked up on the search path when it holds no
    // "/". Arguments are passed as bytes, unchanged (UTF-8 on systems with UTF-16
    // command lines). An empty `working_folder` keeps the parent's.
    start_result start(const std::vector<std::string>& arguments,
                       const std::string& working_folder);

    // Waits at most `timeout_ms` (negative: no limit) until output arrives or the child
    // ends, and appends whatever is waiting on each pipe to `out` and `err`. Once the
    // child has ended, drains both pipes one last time without waiting for their
    // end-of-file (a background grandchild may hold them open), reaps the child and
    // returns `ended`; later calls return `ended` at once. Never throws: bytes that find
    // no memory are dropped like those past `capture_limit`.
    // With `wake`, the wait also ends as soon as it is raised (`woken`, also when it was
    // raised before the call), unless the child has ended: that takes precedence.
    wait_result wait(std::string& out, std::string& err, int timeout_ms,
                     const wake_up* wake = nullptr);

    // Kills the child's process group (Windows: its job) and reaps the child. Nothing
    // happens when no child runs.
    void kill_group();
    // The same, then appends what the pipes still held to `out` and `err`, without
    // waiting for an end of file.
    void kill_group(std::string& out, std::string& err);

    bool running() const;
    // After `ended`: the exit code of a child that exited, else -1.
    int exit_code() const;
    // After `ended`: the signal that ended the child, else 0.
    int exit_signal() const;
    // Whether bytes of standard output (standard error) of this child were dropped: past
    // `capture_limit`, or for want of memory.
    bool output_cut() const;
    bool error_cut() const;

private:
    struct state;
    state* state_;
};

}  // namespace platform
