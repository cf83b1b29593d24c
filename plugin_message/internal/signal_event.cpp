#include "plugin_message/internal/signal_event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <stdexcept>

struct signal_event::impl {
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
};

signal_event::signal_event() {
    try {
        impl_ = std::make_unique<impl>();
    } catch (...) {
        throw std::runtime_error("signal_event::impl::impl() : fault.");
    }
}

signal_event::~signal_event() = default;

void signal_event::set() {
    {
        std::lock_guard<std::mutex> hold(impl_->mutex);
        impl_->signalled = true;
    }
    impl_->changed.notify_all();
}

void signal_event::reset() {
    std::lock_guard<std::mutex> hold(impl_->mutex);
    impl_->signalled = false;
}

bool signal_event::wait_signal() {
    try {
        std::unique_lock<std::mutex> hold(impl_->mutex);
        return impl_->changed.wait_for(hold, std::chrono::milliseconds(wait_timeout_ms),
                                       [this] { return impl_->signalled; });
    } catch (...) {
        throw std::runtime_error("signal_event::wait_signal() : fault.");
    }
}
