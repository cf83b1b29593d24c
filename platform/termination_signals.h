#pragma once
// The requests to end the program that a terminal or the system sends, turned into a call
// on an ordinary thread: SIGINT, SIGTERM and SIGHUP on POSIX; the console's Ctrl+C,
// Ctrl+Break and close events on Windows. Nothing runs inside a signal handler but the
// hand-over to that thread, so the callback may take locks, allocate and cancel a run.
//
// While an object lives, these requests no longer end the program: the callback is called
// once per request, with the exit code the program should end with (128 plus the signal's
// number, as shells report it). Once it has returned for a console close on Windows, the
// system ends the process soon after; the object's owner should finish its clean-up and
// end the process itself (the close handler waits for the object's destruction, then for
// the process to end, so that the program's own exit code wins).
// At most one object exists at a time; creating a second throws std::logic_error.
#include <functional>
#include <memory>

namespace platform {

inline constexpr int hangup_exit_code = 129;     // SIGHUP; a closed console on Windows
inline constexpr int interrupt_exit_code = 130;  // SIGINT; Ctrl+C and Ctrl+Break on Windows
inline constexpr int terminate_exit_code = 143;  // SIGTERM

class termination_signals {
public:
    using callback = std::function<void(int exit_code)>;

    // Takes over the requests; throws std::runtime_error when it cannot.
    explicit termination_signals(callback on_request);
    // Gives the requests back to the system's defaults, after any running callback ended.
    ~termination_signals();
    termination_signals(const termination_signals&) = delete;
    termination_signals& operator=(const termination_signals&) = delete;

    // The exit code of the first request received; 0 while none has come.
    int received() const;

    struct state;

private:
    std::unique_ptr<state> state_;
};

}  // namespace platform
