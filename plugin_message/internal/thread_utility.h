#pragma once
// A re-entrant lock whose acquisition gives up after a bounded wait.
#include <mutex>

class thread_utility {
public:
    static constexpr int lock_attempts = 300;
    static constexpr int lock_retry_ms = 100;

    thread_utility() = default;
    thread_utility(const thread_utility&) = delete;
    thread_utility& operator=(const thread_utility&) = delete;

    // Up to 300 immediate tries with a 100 ms sleep after each failure (about 30 s in
    // all); then throws "thread_utility::lock() call error". The holding thread may lock
    // again; each successful lock needs its own unlock.
    void lock();
    void unlock();

    // Holds the lock for one scope.
    class scoped_lock {
    public:
        explicit scoped_lock(thread_utility& lock) : lock_(lock) { lock_.lock(); }
        ~scoped_lock() { lock_.unlock(); }
        scoped_lock(const scoped_lock&) = delete;
        scoped_lock& operator=(const scoped_lock&) = delete;

    private:
        thread_utility& lock_;
    };

private:
    std::recursive_mutex mutex_;
};
