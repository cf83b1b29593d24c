#pragma once
// A flag that one thread (or, on POSIX, a signal handler) raises and another thread can
// block on beside other waits: an eventfd on Linux, a manual-reset event on Windows.
// Raising is idempotent and stays raised until cleared.
#include <cstdint>

namespace platform {

class wake_up {
public:
    // Throws std::runtime_error("platform::wake_up::wake_up() : failed") when the system
    // has no descriptor or handle left for it.
    wake_up();
    ~wake_up();
    wake_up(const wake_up&) = delete;
    wake_up& operator=(const wake_up&) = delete;

    // From any thread, any number of times; async-signal-safe on POSIX.
    void raise() noexcept;
    // Lowers the flag, ready to be raised again.
    void clear() noexcept;
    bool raised() const noexcept;

    // What a wait blocks on: on POSIX a descriptor that polls readable while raised, on
    // Windows the event's HANDLE.
    std::intptr_t native_handle() const noexcept { return native_; }

private:
    std::intptr_t native_;
};

}  // namespace platform
