#include "platform/termination_signals.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <stdexcept>

namespace platform {
namespace {

// Held while a callback runs and while an object comes or goes, so that no callback runs
// on an object that is gone.
std::mutex current_lock;
termination_signals::state* current = nullptr;

// Set when the object goes; a close handler waits for it. Never closed: a handler may
// still be waiting on it.
HANDLE object_gone() {
    static const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

int exit_code_of(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT: return interrupt_exit_code;
        case CTRL_CLOSE_EVENT: return hangup_exit_code;
        default: return 0;  // log-off and shut-down reach console programs of services only
    }
}

bool deliver(int code);

// Runs on a thread the system starts for each event.
BOOL WINAPI on_console_event(DWORD event) {
    const int code = exit_code_of(event);
    if (code == 0 || !deliver(code)) return FALSE;
    if (event == CTRL_CLOSE_EVENT) {
        // Returning lets the system end the process at once, with its own exit code: wait
        // until the owner has cleaned up, then for the owner to end the process.
        ::WaitForSingleObject(object_gone(), INFINITE);
        ::Sleep(INFINITE);
    }
    return TRUE;
}

}  // namespace

struct termination_signals::state {
    callback on_request;
    std::atomic<int> first{0};
};

namespace {

bool deliver(int code) {
    std::lock_guard<std::mutex> hold(current_lock);
    if (current == nullptr) return false;
    int none = 0;
    current->first.compare_exchange_strong(none, code);
    try {
        current->on_request(code);
    } catch (...) {
        // The request was recorded; the owner reads it from received().
    }
    return true;
}

}  // namespace

termination_signals::termination_signals(callback on_request) : state_(new state) {
    state_->on_request = std::move(on_request);
    std::lock_guard<std::mutex> hold(current_lock);
    if (current != nullptr) throw std::logic_error("termination signals are already taken");
    if (object_gone() == nullptr || !::ResetEvent(object_gone()) ||
        !::SetConsoleCtrlHandler(on_console_event, TRUE))
        throw std::runtime_error("termination signals: no console handler");
    current = state_.get();
}

termination_signals::~termination_signals() {
    ::SetConsoleCtrlHandler(on_console_event, FALSE);
    {
        std::lock_guard<std::mutex> hold(current_lock);
        current = nullptr;
    }
    ::SetEvent(object_gone());
}

int termination_signals::received() const { return state_->first.load(); }

}  // namespace platform
