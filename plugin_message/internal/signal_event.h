#pragma once
// A manual-reset event: once set it stays set, waking every waiter, until reset.
#include <memory>

class signal_event {
public:
    static constexpr int wait_timeout_ms = 30000;

    // Not signalled at first; throws "signal_event::impl::impl() : fault." when the
    // event cannot be created.
    signal_event();
    ~signal_event();
    signal_event(const signal_event&) = delete;
    signal_event& operator=(const signal_event&) = delete;

    void set();
    void reset();

    // Waits at most 30,000 ms: true once signalled, false on time-out; any other failure
    // throws "signal_event::wait_signal() : fault.".
    bool wait_signal();

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};
