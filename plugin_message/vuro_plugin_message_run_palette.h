#pragma once
// Connects a plug-in with the host's palette window in both directions.
//
// Plug-in to host: send_message stores a text and posts the window message registered
// under "vuro plugin message : palette send" to the palette window (wParam 0, lParam the
// notification value given to the constructor); the window's handler reads the text
// with get_size_send_message and get_send_message. On X11 the message is a ClientMessage
// whose type is the atom of that name, sent to the low 32 bits of the window handle, with
// data.l[0] = wParam and data.l[1] = lParam.
//
// Host to plug-in: set_request_data runs the observer registered with set_observer on a
// copy of the request record, on a worker thread, and waits for it at most 30 seconds
// (and 100 ms more). An observer still running then is abandoned, never cancelled: it
// runs on to its own end on its thread after set_request_data has returned (one that
// never returns, such as a busy loop, runs for the life of the process), its copy of the
// record and everything else it uses stay valid even when the message is destroyed, and
// a later set_request_data may run the observer again beside it. So a catch-all or a
// noexcept observer is safe. The caller holds the message's lock for the whole wait, so
// an observer must not call set_observer or set_request_data of the same message.
#include <cstdint>

#include "plugin_message/abstract_vuro_plugin_message.h"
#include "plugin_message/vuro_plugin_message_export.h"

// The host's request record; the library copies it whole and never looks inside.
struct vuro_plugin_request_data {
    unsigned char bytes[3044];
};
static_assert(sizeof(vuro_plugin_request_data) == 3044, "the record is 3044 bytes");

class VURO_PLUGIN_MESSAGE_API vuro_plugin_message_run_palette
    : public abstract_vuro_plugin_message {
public:
    using observer = void (*)(const vuro_plugin_request_data&);

    vuro_plugin_message_run_palette(std::int64_t window, int notification_value);
    ~vuro_plugin_message_run_palette() override;

    // Stores the first 10240 code units of the text (up to a NUL) and notifies the
    // window. 0 posted; 1 out of memory; 2 any other failure (also a null text);
    // 3 length 0 (nothing stored) or not posted (no display, no such window: the text
    // stays stored).
    int send_message(const unsigned short* text, unsigned int length);
    unsigned int get_size_send_message() const;
    // False, nothing written, when `size` is below the stored length.
    bool get_send_message(unsigned short* buffer, unsigned int size) const;

    // A null observer removes it. Throws std::runtime_error("thread_utility::lock() call
    // error") when the lock cannot be had within about 30 seconds.
    void set_observer(observer function);
    // Throws only that same lock failure; nothing of the observer's run reaches the
    // caller.
    void set_request_data(const vuro_plugin_request_data& request);

private:
    struct impl;
    impl* impl_;
};
