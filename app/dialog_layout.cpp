#include "app/dialog_layout.h"

#include <algorithm>

namespace vuro_plugin {

std::vector<control_growth> growth_of(const std::vector<template_control>& controls) {
    std::vector<control_growth> growth(controls.size(), control_growth::none);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].id == id_standard_output) growth[i] = control_growth::upper_box;
        if (controls[i].id != id_standard_error) continue;
        growth[i] = control_growth::lower_box;
        if (i > 0 && controls[i - 1].kind == control_kind::label)
            growth[i - 1] = control_growth::lower_label;
    }
    return growth;
}

window_size at_least(window_size size, window_size minimum) {
    return {std::max(size.width, minimum.width), std::max(size.height, minimum.height)};
}

dialog_rect place(const dialog_rect& at_minimum, control_growth growth, window_size minimum,
                  window_size client) {
    const window_size size = at_least(client, minimum);
    const int wider = size.width - minimum.width;
    const int taller = size.height - minimum.height;
    const int upper_share = taller / 2;
    dialog_rect rect = at_minimum;
    switch (growth) {
        case control_growth::none: break;
        case control_growth::upper_box:
            rect.width += wider;
            rect.height += upper_share;
            break;
        case control_growth::lower_label: rect.y += upper_share; break;
        case control_growth::lower_box:
            rect.y += upper_share;
            rect.width += wider;
            rect.height += taller - upper_share;
            break;
    }
    return rect;
}

}  // namespace vuro_plugin
