#pragma once
// A thread-safe boolean with which a host asks a running plug-in call to stop. Each
// access holds the flag's lock; when it cannot be had within about 30 seconds the access
// throws std::runtime_error("thread_utility::lock() call error") and changes nothing.
#include "plugin_message/vuro_plugin_message_export.h"

class VURO_PLUGIN_MESSAGE_API vuro_plugin_message_quit_flag {
public:
    vuro_plugin_message_quit_flag();  // false at first
    ~vuro_plugin_message_quit_flag();
    vuro_plugin_message_quit_flag(const vuro_plugin_message_quit_flag&) = delete;
    vuro_plugin_message_quit_flag& operator=(const vuro_plugin_message_quit_flag&) = delete;

    void set_flag(bool value);
    bool get_flag() const;

private:
    struct impl;
    impl* impl_;
};
