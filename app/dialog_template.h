#pragma once
// The main dialog's layout in dialog units, the toolkit-free description every view
// builds its window from. A dialog unit is a quarter of the font's average character
// width horizontally and an eighth of its height vertically.
#include <vector>

namespace vuro_plugin {

struct dialog_rect {
    int x, y, width, height;
};

enum class control_kind {
    label,  // static text whose mnemonic moves the focus to the next control
    hint,   // static text that wraps
    group_box,
    combo_box,  // drop-down list, not sorted; the height includes the drop-down
    push_button,
    default_button,
    line_edit,
    progress_bar,
    output_box,  // multi-line, read-only, wraps, vertical scroll bar
};

// Control identifiers of the template; 0 for controls nothing refers to.
enum control_id : int {
    id_none = 0,
    id_standard_output = 1000,
    id_standard_error = 1001,
    id_run = 1002,
    id_plugin_list = 1003,
    id_refresh = 1004,
    id_progress = 1005,
    id_lookup_text = 1006,
    id_hint = 1007,
};

struct template_control {
    control_id id;
    control_kind kind;
    const char16_t* caption;  // empty for controls without a caption
    dialog_rect rect;
};

inline constexpr int dialog_width_units = 360;
inline constexpr int dialog_height_units = 198;
inline constexpr int dialog_font_points = 9;
inline constexpr char dialog_font_family[] = "MS UI Gothic";

// The controls in template order, which is also the tab order.
const std::vector<template_control>& dialog_template();

// The font's dialog base units in pixels: the average width of the 52 Latin letters,
// rounded as the window system does, and the font's height.
struct dialog_base_units {
    int x, y;
};
dialog_base_units base_units_from_letters(int width_of_52_letters, int font_height);

// Dialog units to pixels, rounded to the nearest pixel.
int horizontal_pixels(int units, dialog_base_units base);
int vertical_pixels(int units, dialog_base_units base);
dialog_rect to_pixels(const dialog_rect& rect, dialog_base_units base);

}  // namespace vuro_plugin
