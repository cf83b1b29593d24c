#include "platform/wake_up.h"

#include <cerrno>
#include <cstdint>
#include <stdexcept>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {
namespace {

int descriptor(std::intptr_t native) { return static_cast<int>(native); }

}  // namespace

wake_up::wake_up() : native_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (native_ < 0) throw std::runtime_error("platform::wake_up::wake_up() : failed");
}

wake_up::~wake_up() { ::close(descriptor(native_)); }

// write(2) is async-signal-safe; a counter already at its top refuses the write
// (EAGAIN), which leaves the flag raised all the same.
void wake_up::raise() noexcept {
    const int saved_errno = errno;
    const std::uint64_t one = 1;
    ssize_t written;
    do {
        written = ::write(descriptor(native_), &one, sizeof one);
    } while (written < 0 && errno == EINTR);
    errno = saved_errno;
}

void wake_up::clear() noexcept {
    std::uint64_t count;
    ssize_t got;
    do {
        got = ::read(descriptor(native_), &count, sizeof count);
    } while (got < 0 && errno == EINTR);
}

bool wake_up::raised() const noexcept {
    pollfd watched{descriptor(native_), POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&watched, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return ready > 0 && (watched.revents & POLLIN) != 0;
}

}  // namespace platform
