#pragma once
// One OS thread with a bounded wait for its end, for the message library's worker thread.
// A thread is never cancelled: it runs the host's code, and cancelling unwinds through
// that code (and ends the process when the code catches everything or is noexcept). One
// that has not ended when its owner gives up is left to run on.
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

    // The procedure's return value once the thread has ended.
    unsigned exit_code() const;

    struct impl;

private:
    explicit native_thread(std::unique_ptr<impl> state);
    std::unique_ptr<impl> impl_;
};

// Calls `function` and swallows every exception it lets escape, except the forced
// unwinding of a thread that ends itself (pthread_exit), which must run on to its end.
void call_shielded(const std::function<void()>& function);

}  // namespace platform
