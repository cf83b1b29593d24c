#pragma once
// Everything a host or plug-in needs from the shared library VURO_PLUGIN_MESSAGE.
#include "plugin_message/abstract_vuro_plugin_message.h"
#include "plugin_message/vuro_plugin_message_quit_flag.h"
#include "plugin_message/vuro_plugin_message_run_palette.h"
#include "plugin_message/vuro_plugin_message_run_processing.h"
