#include <algorithm>

#include "app/debugger_view.h"

namespace vuro_plugin {

int drop_down_width_for(int current, const std::vector<int>& item_widths, int frame_width) {
    if (item_widths.empty()) return current;
    const int widest = *std::max_element(item_widths.begin(), item_widths.end());
    return std::max(current, widest + frame_width);
}

}  // namespace vuro_plugin
