#include "platform/folder_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>

#include "platform/text_codec.h"

namespace platform {
namespace {

// A save in place ends with IN_CLOSE_WRITE; a save through a new file with IN_MOVED_TO.
constexpr std::uint32_t file_events = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
constexpr std::uint32_t folder_events = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED;

int remaining_ms(std::chrono::steady_clock::time_point deadline, int timeout_ms) {
    if (timeout_ms < 0) return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

}  // namespace

struct folder_watch::state {
    int descriptor = -1;
    std::vector<std::u16string> extensions;
    bool gone = false;
    bool lost = false;  // the kernel's queue overflowed

    void take_event(const inotify_event& event, std::vector<std::u16string>& names) {
        if (event.mask & IN_Q_OVERFLOW) lost = true;
        if (event.mask & folder_events) gone = true;
        if ((event.mask & file_events) == 0 || (event.mask & IN_ISDIR) || event.len == 0) return;
        std::u16string name;
        bytes_to_utf16(code_page::utf8, event.name, name);
        if (is_watched_name(name, extensions) &&
            std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    }

    // Reads every event queued now.
    void read_events(std::vector<std::u16string>& names) {
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                take_event(*event, names);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }
};

folder_watch::folder_watch(const std::u16string& folder, std::vector<std::u16string> extensions)
    : state_(new state) {
    state_->extensions = std::move(extensions);
    std::string path;
    state_->descriptor = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (state_->descriptor < 0 || !utf16_to_bytes(code_page::utf8, folder, path) ||
        ::inotify_add_watch(state_->descriptor, path.c_str(),
                            file_events | folder_events | IN_ONLYDIR) < 0) {
        if (state_->descriptor >= 0) ::close(state_->descriptor);
        throw std::runtime_error("platform::folder_watch::folder_watch() : failed");
    }
}

folder_watch::~folder_watch() { ::close(state_->descriptor); }

folder_watch::wait_result folder_watch::wait(std::vector<std::u16string>& names,
                                             const wake_up& wake, int timeout_ms) {
    names.clear();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
    for (;;) {
        if (wake.raised()) return wait_result::woken;
        if (state_->gone) return wait_result::gone;
        pollfd watched[] = {{state_->descriptor, POLLIN, 0},
                            {static_cast<int>(wake.native_handle()), POLLIN, 0}};
        const int ready = ::poll(watched, 2, remaining_ms(deadline, timeout_ms));
        if (ready < 0 && errno != EINTR)
            throw std::runtime_error("platform::folder_watch::wait() : failed");
        if (ready == 0) return wait_result::timed_out;
        if (ready < 0 || (watched[0].revents & POLLIN) == 0) continue;
        state_->read_events(names);
        if (wake.raised()) return wait_result::woken;
        if (!names.empty() || state_->lost) {
            state_->lost = false;
            return wait_result::changed;
        }
    }
}

}  // namespace platform
