#pragma once
// One OS thread with a bounded wait for its end and a forced termination, for the
// message library's worker thread.
#include <chrono>
#include <functional>
#include <memory>

namespace platform {

// The thread procedure: one untyped argument, an unsigned exit code.
using thread_procedure = unsigned (*)(void* argument);

class native_thread {
public:
    // Runs `procedure(argument)` on a new thread at once; null when no thread could be
    // created.
    static std::unique_ptr<native_thread> start(thread_procedure procedure, void* argument);

    // A thread that has not been seen to end is left to run on its own (never waited for).
    ~native_thread();
    native_thread(const native_thread&) = delete;
    native_thread& operator=(const native_thread&) = delete;

    // Waits at most `timeout` for the thread to end; true once it has ended.
    bool wait(std::chrono::milliseconds timeout);

    // Ends the thread at its next cancellation point (any blocking call or sleep),
    // unwinding its stack, and waits at most `grace` for that. True when the thread has
    // ended; its exit code is then `exit_code` unless it returned by itself first. A
    // thread that does not end within `grace` is abandoned to run on.
    bool terminate(unsigned exit_code, std::chrono::milliseconds grace);

    // The procedure's return value (or the termination code) once the thread has ended.
    unsigned exit_code() const;

    struct impl;

private:
    explicit native_thread(std::unique_ptr<impl> state);
    std::unique_ptr<impl> impl_;
};

// Calls `function` and swallows every exception it lets escape, except the unwinding of
// a thread that is being terminated, which must run on to the thread's end.
void call_shielded(const std::function<void()>& function);

}  // namespace platform
