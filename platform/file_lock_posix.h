#pragma once
// An exclusive advisory lock on a lock file, shared by every process and thread that locks
// the same file, held for the life of the object.
#include <chrono>
#include <string>

namespace platform {

class file_lock {
public:
    // Creates the lock file when needed and waits at most `wait` for the lock.
    file_lock(const std::string& file, std::chrono::milliseconds wait);
    ~file_lock();
    file_lock(const file_lock&) = delete;
    file_lock& operator=(const file_lock&) = delete;

    bool locked() const { return locked_; }

private:
    int fd_;
    bool locked_ = false;
};

}  // namespace platform
