#pragma once
// One worker thread with a bounded stop. Used by one thread only. The worker runs the
// host's code, so it is never cancelled: one that does not end in time is abandoned.
#include <memory>
#include <optional>

#include "platform/native_thread.h"

class thread_access {
public:
    static constexpr int destructor_stop_ms = 5000;

    explicit thread_access(platform::thread_procedure procedure);
    // Stops a thread still held with a 5,000 ms time-out; never throws.
    ~thread_access();
    thread_access(const thread_access&) = delete;
    thread_access& operator=(const thread_access&) = delete;

    // Starts the procedure on a new thread with `argument`. Throws
    // "thread_access::start_thread() call error" while a thread is held. Returns false
    // when the thread could not be created (nothing is held then).
    bool start_thread(void* argument);

    // Waits at most `timeout_ms` for the held thread to end and abandons it, still
    // running, when it has not; afterwards no thread is held. Without a thread, nothing.
    void stop(int timeout_ms);

    bool holds_thread() const { return thread_ != nullptr; }
    // Exit code of the last stopped thread; empty when none has been stopped yet or the
    // last one was abandoned.
    std::optional<unsigned> last_exit_code() const { return last_exit_code_; }

private:
    platform::thread_procedure procedure_;
    std::unique_ptr<platform::native_thread> thread_;
    std::optional<unsigned> last_exit_code_;
};
