#include "platform/native_thread.h"

#include <windows.h>

namespace platform {

struct native_thread::impl {
    HANDLE thread = nullptr;
    bool ended = false;
    unsigned exit_code = 0;

    ~impl() {
        if (thread != nullptr) ::CloseHandle(thread);
    }
};

namespace {

struct start_record {
    thread_procedure procedure;
    void* argument;
};

DWORD WINAPI trampoline(LPVOID raw) {
    const start_record record = *static_cast<start_record*>(raw);
    delete static_cast<start_record*>(raw);
    unsigned code = 0;
    call_shielded([&] { code = record.procedure(record.argument); });
    return code;
}

}  // namespace

native_thread::native_thread(std::unique_ptr<impl> state) : impl_(std::move(state)) {}

std::unique_ptr<native_thread> native_thread::start(thread_procedure procedure, void* argument) {
    auto state = std::make_unique<impl>();
    auto* record = new start_record{procedure, argument};
    state->thread = ::CreateThread(nullptr, 0, &trampoline, record, 0, nullptr);
    if (state->thread == nullptr) {
        delete record;
        return nullptr;
    }
    return std::unique_ptr<native_thread>(new native_thread(std::move(state)));
}

// Closing the handle leaves a thread that still runs to itself: a thread is never
// ended from outside (TerminateThread would leave whatever it held, the heap's lock or a
// critical section, held for ever).
native_thread::~native_thread() = default;

bool native_thread::wait(std::chrono::milliseconds timeout) {
    if (impl_->ended) return true;
    const DWORD ms = timeout.count() <= 0 ? 0
                     : timeout.count() >= static_cast<long long>(INFINITE)
                         ? INFINITE - 1
                         : static_cast<DWORD>(timeout.count());
    if (::WaitForSingleObject(impl_->thread, ms) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    ::GetExitCodeThread(impl_->thread, &code);
    impl_->ended = true;
    impl_->exit_code = code;
    return true;
}

unsigned native_thread::exit_code() const { return impl_->exit_code; }

void call_shielded(const std::function<void()>& function) {
    try {
        function();
    } catch (...) {
    }
}

}  // namespace platform
