#include "app/dialog_template.h"

#include "app/debugger_texts.h"

namespace vuro_plugin {
namespace {

// a × b ÷ c rounded half away from zero, as the window system's MulDiv.
int multiply_divide(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

const std::vector<template_control>& dialog_template() {
    static const std::vector<template_control> controls{
        {id_none, control_kind::label, texts::plugin_list_label, {8, 8, 100, 8}},
        {id_plugin_list, control_kind::combo_box, u"", {8, 21, 96, 204}},
        {id_refresh, control_kind::push_button, texts::refresh_button, {112, 20, 28, 14}},
        {id_hint, control_kind::hint, texts::folder_hint, {8, 42, 132, 28}},
        {id_none, control_kind::group_box, texts::debug_group, {8, 78, 132, 112}},
        {id_none, control_kind::label, texts::lookup_label, {16, 94, 32, 8}},
        {id_lookup_text, control_kind::line_edit, u"", {56, 92, 76, 12}},
        {id_run, control_kind::default_button, texts::run_button, {84, 112, 48, 16}},
        {id_progress, control_kind::progress_bar, u"", {12, 168, 104, 12}},
        {id_none, control_kind::label, texts::output_label, {152, 8, 144, 8}},
        {id_standard_output, control_kind::output_box, u"", {152, 24, 200, 70}},
        {id_none, control_kind::label, texts::error_label, {152, 104, 144, 8}},
        {id_standard_error, control_kind::output_box, u"", {152, 120, 200, 70}},
    };
    return controls;
}

dialog_base_units base_units_from_letters(int width_of_52_letters, int font_height) {
    return {(width_of_52_letters / 26 + 1) / 2, font_height};
}

int horizontal_pixels(int units, dialog_base_units base) {
    return multiply_divide(units, base.x, 4);
}

int vertical_pixels(int units, dialog_base_units base) { return multiply_divide(units, base.y, 8); }

dialog_rect to_pixels(const dialog_rect& rect, dialog_base_units base) {
    return {horizontal_pixels(rect.x, base), vertical_pixels(rect.y, base),
            horizontal_pixels(rect.width, base), vertical_pixels(rect.height, base)};
}

}  // namespace vuro_plugin
