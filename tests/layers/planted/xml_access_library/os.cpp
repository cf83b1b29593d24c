#include "utility/text_conversion.h"
#include <unistd.h>
#include "plugin_message/vuro_plugin_message.h"
