#pragma once
// Notifications posted to another program's window. On X11 a message identifier is an
// atom interned on the process's own display connection and a notification is a
// ClientMessage event (format 32) whose first two data words carry the two message
// parameters. The connection (the display named by DISPLAY) is opened on first use,
// kept for the life of the process and used under a lock; while it cannot be opened,
// every call fails and the next one tries again. Once the server has gone away every
// call fails for good (window ids and identifiers belonged to it). No call ever ends the
// process or changes process-wide state.
#include <cstdint>

namespace platform {

// The identifier registered under `name`, the same for every caller on the display;
// 0 when there is no display.
std::uint32_t register_window_message(const char* name);

// Posts `message` with its two parameters to `window` without waiting for it to be
// handled. False when there is no display, the connection is lost, the window does not
// exist or the server refused the event. Window ids 0 and 1 are not windows (X11 reads
// them as "under the pointer" and "input focus") and are refused.
bool post_window_message(std::uint32_t window, std::uint32_t message, long wparam, long lparam);

}  // namespace platform
