#include "platform/file_lock_posix.h"

#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

bool lock_blocking(int fd) {
    int result;
    do result = ::flock(fd, LOCK_EX);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

// A blocking flock takes no time limit, and polling would lose every race against a writer
// that locks again at once; so the blocking call runs on a thread of its own, which the
// waiter leaves behind when its time is up. The lock belongs to the open file, shared with
// the thread through a duplicate descriptor: got in time, it is the waiter's; got too late,
// the thread gives it back at once.
bool lock_within(int fd, std::chrono::milliseconds wait) {
    struct handover {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        bool locked = false;
        bool abandoned = false;
    };
    const int shared = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (shared < 0) return false;
    const auto state = std::make_shared<handover>();
    try {
        std::thread([state, shared] {
            const bool locked = lock_blocking(shared);
            const std::lock_guard<std::mutex> guard(state->mutex);
            if (locked && state->abandoned) ::flock(shared, LOCK_UN);
            ::close(shared);
            state->done = true;
            state->locked = locked;
            state->finished.notify_one();
        }).detach();
    } catch (const std::system_error&) {
        ::close(shared);
        return false;
    }
    std::unique_lock<std::mutex> guard(state->mutex);
    if (state->finished.wait_for(guard, wait, [&] { return state->done; })) return state->locked;
    state->abandoned = true;
    return false;
}

}  // namespace

file_lock::file_lock(const std::string& file, std::chrono::milliseconds wait)
    : fd_(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ < 0) return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        locked_ = true;
    } else if (errno == EWOULDBLOCK || errno == EINTR) {
        locked_ = lock_within(fd_, wait);
    }
}

file_lock::~file_lock() {
    if (locked_) ::flock(fd_, LOCK_UN);
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace platform
