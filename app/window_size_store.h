#pragma once
// The main dialog's size, remembered per user in the current user's registry under
// Software\plugdebug (on POSIX the text hive, see platform/registry_store.h). The size is
// that of the client area in pixels, as the window had it last when not maximised.
#include <optional>

namespace vuro_plugin {

struct remembered_window {
    int width = 0;
    int height = 0;
    bool maximized = false;
};

// The size last remembered; none when nothing is, or it cannot be read.
std::optional<remembered_window> load_window_size();

// Never throws. Nothing is written while the settings file does not parse, nor when it
// cannot be written: the size is then simply not remembered.
void save_window_size(const remembered_window& window);

}  // namespace vuro_plugin
