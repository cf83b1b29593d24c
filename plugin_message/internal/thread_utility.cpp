#include "plugin_message/internal/thread_utility.h"

#include <chrono>
#include <stdexcept>
#include <thread>

void thread_utility::lock() {
    for (int attempt = 0; attempt < lock_attempts; ++attempt) {
        if (mutex_.try_lock()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(lock_retry_ms));
    }
    throw std::runtime_error("thread_utility::lock() call error");
}

void thread_utility::unlock() { mutex_.unlock(); }
