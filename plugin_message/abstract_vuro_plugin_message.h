#pragma once
// Common base of every message exchanged between a plug-in and its host. It carries
// run-time type information, so a host can test a message's concrete type with
// dynamic_cast, including for classes it derives itself.
#include "plugin_message/vuro_plugin_message_export.h"

class VURO_PLUGIN_MESSAGE_API abstract_vuro_plugin_message {
public:
    abstract_vuro_plugin_message();
    virtual ~abstract_vuro_plugin_message();
    abstract_vuro_plugin_message(const abstract_vuro_plugin_message&) = delete;
    abstract_vuro_plugin_message& operator=(const abstract_vuro_plugin_message&) = delete;
};
