#include "plugin_message/internal/palette_notification.h"

#include <mutex>

#include "platform/window_notification.h"

namespace {

constexpr char message_name[] = "vuro plugin message : palette send";

// 0 until an identifier could be registered; then kept for the life of the process.
std::uint32_t palette_message_id() {
    static std::mutex mutex;
    static std::uint32_t id = 0;
    std::lock_guard<std::mutex> hold(mutex);
    if (id == 0) id = platform::register_window_message(message_name);
    return id;
}

}  // namespace

bool post_palette_notification(std::int64_t window, int value) {
    const std::uint32_t id = palette_message_id();
    if (id == 0) return false;
    const auto target = static_cast<std::uint32_t>(static_cast<std::uint64_t>(window));
    return platform::post_window_message(target, id, 0, value);
}
