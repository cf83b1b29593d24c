#include "platform/native_thread.h"

#include <cxxabi.h>
#include <pthread.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

namespace platform {

struct native_thread::impl {
    pthread_t thread{};
    bool ended = false;
    unsigned exit_code = 0;
};

namespace {

struct start_record {
    thread_procedure procedure;
    void* argument;
};

void* trampoline(void* raw) {
    const start_record record = *static_cast<start_record*>(raw);
    delete static_cast<start_record*>(raw);
    unsigned code = 0;
    call_shielded([&] { code = record.procedure(record.argument); });
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(code));
}

timespec deadline_after(std::chrono::milliseconds timeout) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const long long total_ns = static_cast<long long>(now.tv_nsec) +
                               static_cast<long long>(timeout.count() % 1000) * 1000000LL;
    timespec deadline{};
    deadline.tv_sec = now.tv_sec + static_cast<time_t>(timeout.count() / 1000) +
                      static_cast<time_t>(total_ns / 1000000000LL);
    deadline.tv_nsec = static_cast<long>(total_ns % 1000000000LL);
    return deadline;
}

}  // namespace

native_thread::native_thread(std::unique_ptr<impl> state) : impl_(std::move(state)) {}

std::unique_ptr<native_thread> native_thread::start(thread_procedure procedure, void* argument) {
    auto state = std::make_unique<impl>();
    auto* record = new start_record{procedure, argument};
    if (::pthread_create(&state->thread, nullptr, &trampoline, record) != 0) {
        delete record;
        return nullptr;
    }
    return std::unique_ptr<native_thread>(new native_thread(std::move(state)));
}

native_thread::~native_thread() {
    if (!impl_->ended) ::pthread_detach(impl_->thread);
}

bool native_thread::wait(std::chrono::milliseconds timeout) {
    if (impl_->ended) return true;
    if (timeout.count() < 0) timeout = std::chrono::milliseconds(0);
    const timespec deadline = deadline_after(timeout);
    void* result = nullptr;
    int status;
    while ((status = ::pthread_timedjoin_np(impl_->thread, &result, &deadline)) == EINTR) {
    }
    if (status != 0) return false;
    impl_->ended = true;
    impl_->exit_code = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(result));
    return true;
}

unsigned native_thread::exit_code() const { return impl_->exit_code; }

// The forced-unwinding exception has no object, so binding its reference looks like a null
// reference to the undefined-behaviour checker; that check is off here.
#if defined(__GNUC__)
__attribute__((no_sanitize("null")))
#endif
void call_shielded(const std::function<void()>& function) {
    try {
        function();
    } catch (abi::__forced_unwind&) {
        throw;  // a thread ending itself: swallowing it would abort the process
    } catch (...) {
    }
}

}  // namespace platform
