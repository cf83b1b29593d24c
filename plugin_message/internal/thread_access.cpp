#include "plugin_message/internal/thread_access.h"

#include <chrono>
#include <stdexcept>

thread_access::thread_access(platform::thread_procedure procedure) : procedure_(procedure) {}

thread_access::~thread_access() {
    try {
        stop(destructor_stop_ms);
    } catch (...) {
    }
}

bool thread_access::start_thread(void* argument) {
    if (thread_) throw std::runtime_error("thread_access::start_thread() call error");
    thread_ = platform::native_thread::start(procedure_, argument);
    return thread_ != nullptr;
}

void thread_access::stop(int timeout_ms) {
    if (!thread_) return;
    const bool ended = thread_->wait(std::chrono::milliseconds(timeout_ms));
    last_exit_code_ = ended ? std::optional<unsigned>(thread_->exit_code()) : std::nullopt;
    thread_.reset();  // a thread still running is left to run on
}
